#include "callsigns.h"

#include <iterator>

namespace sky::skygen {
namespace {

constexpr const char* kLatin[] = {
    "Hawk",   "Falcon", "Viper",  "Ghost",   "Wolf",   "Bear",    "Eagle",   "Raven",
    "Shark",  "Tiger",  "Hans",   "Fritz",   "Otto",   "Karl",    "Kurt",    "Erich",
    "Walter", "Johnny", "Mike",   "Butch",   "Ace",    "Maverick", "Ivan",   "Sasha",
    "Kolya",  "Petrov", "Sokol",  "Yastreb", "Berkut", "Dragon",  "Cobra",   "Mustang",
    "Storm",  "Lucky",  "Silver", "Stalker", "Hunter", "Baron",   "Knight",  "Rookie",
    "Doc",    "Tex",    "Kid",    "Zorro",   "Max",    "Boris",   "Vasya",   "Gena"};

constexpr const char* kCyrillic[] = {
    "Сокол",  "Ястреб",  "Беркут", "Орёл",    "Волк",    "Медведь", "Иван",   "Пётр",
    "Саня",   "Коля",    "Батя",   "Дед",     "Кузнечик", "Стриж",  "Чайка",  "Гроза",
    "Буря",   "Молния",  "Шторм",  "Тигр",    "Лис",     "Ворон",   "Филин",  "Кречет",
    "Сапсан", "Ёжик",    "Лётчик", "Штурман", "Комэск",  "Жаворонок", "Щука", "Юнга",
    "Хмурый", "Эхо",     "Шмель",  "Цыган",   "Фёдор",   "Мотыль"};

// Names that make quoting and markup escaping visible wherever they are shown.
constexpr const char* kAwkward[] = {"O'Brien", "Tom&Jerry", "D'Artagnan", "Rock'n'Roll",
                                    "Smith & Co", "Д'Артаньян"};

constexpr const char* kTags[] = {"=JG52=", "JG54_",  "=FB=",   "_KG26_", "=VVS=", "[RAF]",
                                 "=AFJ=",  "II/JG3_", "=BS=",  "=ВВС=",  "[ИАП]", "=ГИАП=",
                                 "_ШАП_",  "=КОТ=",  "{Асы}"};

constexpr const char* kSeparators[] = {"_", "", ".", "-"};

constexpr const char* kAircraft[] = {"Bf-109G-6", "Fw-190A-4", "Ju-87B-2", "Ju-88A-4", "He-111H-6",
                                     "Il-2",      "Yak-9",     "La-5FN",   "LaGG-3",   "Pe-2",
                                     "I-16",      "Spitfire",  "P-39",     "Hurricane"};

template <typename T, size_t N>
const T& OneOf(const T (&items)[N], Random& rng) {
  return items[rng.Below(N)];
}

}  // namespace

std::string CallsignMaker::Human(Random& rng) {
  std::string base;
  if (rng.Chance(10000)) {
    base = OneOf(kAwkward, rng);
  } else if (rng.Chance(400000)) {
    base = OneOf(kCyrillic, rng);
  } else {
    base = OneOf(kLatin, rng);
  }
  if (rng.Chance(350000)) {
    base += OneOf(kSeparators, rng);
    base += std::to_string(rng.Chance(500000) ? rng.Between(1, 99) : rng.Between(100, 999));
  }
  std::string name;
  const uint32_t tag = rng.Below(100);
  if (tag < 15) {
    name = std::string(OneOf(kTags, rng)) + base;
  } else if (tag < 20) {
    name = base + OneOf(kTags, rng);
  } else {
    name = base;
  }
  return Unique(std::move(name), rng);
}

std::string CallsignMaker::Ai(Random& rng) {
  std::string name = std::string("AI ") + OneOf(kAircraft, rng) + "_" +
                     std::to_string(rng.Between(1, 64));
  return Unique(std::move(name), rng);
}

std::string CallsignMaker::Unique(std::string name, Random& rng) {
  // Popular names come back often; a number tells the newcomer apart, as
  // players do themselves.
  std::string candidate = name;
  while (!taken_.insert(candidate).second) {
    candidate = name + std::to_string(rng.Between(2, 9999));
  }
  return candidate;
}

}  // namespace sky::skygen
