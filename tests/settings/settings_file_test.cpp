#include "settings/settings.h"

#include <gtest/gtest.h>

#include "base/encoding.h"
#include "base/log.h"
#include "settings/settings_store.h"
#include "settings/value_readers.h"
#include "support/program_home.h"

namespace sky {
namespace {

// The document a missing settings file is written with, as UTF-8.
const char* const kDefaultDocument =
    R"(<?xml version="1.0" encoding="windows-1251"?>
<!--Настройки для расчета званий и наград пилотов-->
<!--Если значение атрибута "debug" не ноль, то расчет идти будет, но писаться в бд ничего не будет-->
<skyranks debug="0">
  <!--Параметры сервера MySQL-->
  <mysql id="1" active="1" host="localhost" user="root" pass="zebu" db="SKYSTAT"/>
  <!--Интервал пересчета званий в минутах-->
  <schedule interval="15" sleep="0"/>
  <!--TCP порт для администрирования-->
  <admin port="21009">
    <password>pintowel</password>
  </admin>
  <!--Это шкала званий (кол-во элементов произвольно и равно длине массива званий в PHP скрипте)-->
  <ranks>
    <rank value="1" sorties_limit="3" airkills="2" gndkills="0">мл. л-т</rank>
    <rank value="2" sorties_limit="5" airkills="3" gndkills="0">лейтенант</rank>
    <rank value="3" sorties_limit="10" airkills="5" gndkills="0">ст. лейтенант</rank>
    <rank value="4" sorties_limit="15" airkills="10" gndkills="0">капитан</rank>
    <rank value="5" sorties_limit="20" airkills="15" gndkills="0">майор</rank>
    <rank value="6" sorties_limit="25" airkills="20" gndkills="0">подполковник</rank>
    <rank value="7" sorties_limit="30" airkills="25" gndkills="0">полковник</rank>
    <rank value="8" sorties_limit="35" airkills="30" gndkills="0">генерал</rank>
  </ranks>
  <!--Чем окончился вылет, и как это повлияет на стрик-->
  <sorties_end>
    <!--Вылет учитывается и может стать боевым-->
    <success>_TKON_CRASHED_</success>
    <!--Вылет не учитывается-->
    <skip>_BAIL_MIA_</skip>
    <!--Вылет прерывает стрик-->
    <dead>_DIED_CAPTURED_</dead>
  </sorties_end>
  <!--Детальность лога (0 - минимальный лог ... 3 - максимально подробно)-->
  <log level="3"/>
  <!--Учет наземки (0-не учитывается; 1-суммируется с воздушными килами; 2-чего больше, то и учитывается (либо воздух либо земля))-->
  <bombers_mode mode="0"/>
  <!--Весовые коэфициенты за вынесенную наземку (по отношению с воздушному килу)-->
  <ground_targets>
    <!--Самолет на земле-->
    <eSAir ratio="0.5"/>
    <!--Танк-->
    <eTank ratio="1"/>
    <!--Машинка-->
    <eCar ratio="0.2"/>
    <!--Пушка-->
    <eArt ratio="0.25"/>
    <!--Зенитное орудие-->
    <eAaa ratio="0.5"/>
    <!--Вагон и маленькая тележка-->
    <eWag ratio="0.1"/>
    <!--Корабль-->
    <eShip ratio="2"/>
  </ground_targets>
  <rules>
    <!--Поясненние к правилам-->
    <!--mode=0: длительность вылета не контролируется-->
    <!--mode=1: длительность вылета контролируется. Боевой вылет это вылет с килами продолжительностью не менее "duration" минут-->
    <!--mode=2: длительность вылета контролируется. Боевой вылет это ЛЮБОЙ вылет продолжительностью не менее "duration" минут-->
    <sortie mode="2" duration="15"/>
    <!--Коэффициент для сбитого в воздухе бомбера-->
    <airbomber ratio="1.5"/>
  </rules>
  <!--Расположение файла с настройками наград (локальое имя или URL)-->
  <awards filename="awards.xml"/>
</skyranks>
)";

class SettingsFileTest : public ::testing::Test {
 protected:
  // Reads a settings file whose root holds `body` into a fresh record.
  TSettings Read(const std::string& body, bool* result = nullptr) {
    test::WriteFileBytes(home_.SettingsFile(),
                         Utf8ToCp1251("<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<skyranks>" + body +
                                      "</skyranks>"));
    TSettings settings;
    const bool read = ReadSettings(home_.SettingsFile(), settings);
    if (result != nullptr) *result = read;
    return settings;
  }

  test::ProgramHome home_;
};

TEST_F(SettingsFileTest, AMissingFileIsWrittenWithTheDefaultsAndReadBack) {
  ASSERT_TRUE(ReloadSettings());
  EXPECT_EQ(test::ReadFileBytes(home_.SettingsFile()), Utf8ToCp1251(kDefaultDocument));

  TSettingsSnapshot settings = CurrentSettings();
  TSettings defaults;
  SetDefaultSettings(defaults);
  EXPECT_FALSE(settings->Debug);
  EXPECT_EQ(settings->Interval, 15u);
  EXPECT_EQ(settings->AdminPort, 21009);
  EXPECT_EQ(settings->AdminPassword, "pintowel");
  EXPECT_EQ(settings->LogLevel, 3);
  EXPECT_EQ(settings->SortieEndDead, "_DIED_CAPTURED_");
  ASSERT_EQ(settings->Ranks.size(), 8u);
  EXPECT_EQ(settings->Ranks[2].Name, "ст. лейтенант");
  EXPECT_EQ(settings->Ranks[7].SortiesLimit, 35);
  EXPECT_EQ(settings->GroundRatio, defaults.GroundRatio);
  EXPECT_EQ(settings->SortieMode, 2);
  EXPECT_EQ(settings->AirBomberRatio, 1.5);
  EXPECT_EQ(settings->AwardsFile, "awards.xml");
  EXPECT_EQ(settings->Server.Host, "localhost") << "the entry written into the new file";

  // The defaults' level 3 is in force while the new file is read back.
  EXPECT_EQ(home_.LogLines(), (std::vector<std::string>{
                                  "TS\t = Условия стрика = \t",
                                  "TS\tвылет засчитан      = \t_TKON_CRASHED_",
                                  "TS\tвылет незасчитан    = \t_BAIL_MIA_",
                                  "TS\tвылет прервал стрик = \t_DIED_CAPTURED_",
                                  "TS\t = Администрирование= \t",
                                  "TS\tпорт = \t21009",
                              }));
}

TEST_F(SettingsFileTest, TheEchoFollowsThePreviousReadsLevel) {
  home_.WriteSettings("<?xml version=\"1.0\" encoding=\"windows-1251\"?><skyranks><log level=\"3\"/></skyranks>");
  EXPECT_TRUE(home_.LogLines().empty()) << "threshold 0 before the first read";
  EXPECT_EQ(LogThreshold(), 3);
  ReloadSettings();
  EXPECT_EQ(home_.LogLines().size(), 6u);
}

TEST_F(SettingsFileTest, AFileThatCannotBeWrittenKeepsTheDefaults) {
  home_.SetLogLevel(0);
  const std::string file = home_.File("no/such/folder/skyranks.xml");
  TSettings settings;
  EXPECT_FALSE(ReadSettings(file, settings));
  EXPECT_EQ(settings.Interval, 15u);
  EXPECT_EQ(settings.Ranks.size(), 8u);
  std::vector<std::string> lines = home_.LogLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("TS\tERROR saving settings to " + file + "\t", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1], "TS\tERROR!!!\tMising settings file!");
}

TEST_F(SettingsFileTest, AMalformedFileIsAFailedReadThatChangesNothing) {
  home_.SetLogLevel(0);
  for (const std::string& broken : {std::string("<skyranks><schedule interval=\"3\"></skyranks>"), std::string(),
                                   std::string("<skyranks/><skyranks/>"), std::string("\xff\xfe\0<", 4)}) {
    test::WriteFileBytes(home_.SettingsFile(), broken);
    TSettings settings;
    SetDefaultSettings(settings);
    EXPECT_EQ(ReadSettingsFile(home_.SettingsFile(), settings), TSettingsRead::kMalformed);
    EXPECT_FALSE(ReadSettings(home_.SettingsFile(), settings));
    EXPECT_EQ(settings.Interval, 15u) << "not the reader default 10";
    EXPECT_EQ(settings.AdminPassword, "pintowel");
    EXPECT_EQ(settings.Ranks.size(), 8u);
    EXPECT_EQ(settings.LogLevel, 3);
  }
  const std::string line = "TS\tERROR reading settings from " + home_.SettingsFile() +
                           "\tthe file is not well-formed XML; nothing was read from it";
  EXPECT_EQ(home_.LogLines(), std::vector<std::string>(8, line)) << "one line for every read";
  EXPECT_EQ(test::ReadFileBytes(home_.SettingsFile()), std::string("\xff\xfe\0<", 4)) << "never rewritten";
}

TEST_F(SettingsFileTest, Numbers) {
  EXPECT_EQ(Read("<schedule interval=\"\"/>").Interval, 0u);
  EXPECT_EQ(Read("<schedule/>").Interval, 10u);
  EXPECT_EQ(Read("<schedule interval=\"7.9\" sleep=\"-3.7\"/>").Interval, 7u);
  EXPECT_EQ(Read("<schedule interval=\"7.9\" sleep=\"-3.7\"/>").Sleep, -3);
  EXPECT_EQ(Read("<schedule interval=\"1e3\"/>").Interval, 1000u);
  EXPECT_EQ(Read("<schedule interval=\"-1\"/>").Interval, 4294967295u);
  EXPECT_EQ(Read("<rules><sortie duration=\"-1\"/></rules>").SortieDuration, 4294967295u);
  EXPECT_EQ(Read("<admin port=\"70000\"/>").AdminPort, 4464);
  EXPECT_EQ(Read("<admin port=\"-1\"/>").AdminPort, 65535);
  EXPECT_EQ(Read("<ground_targets><eCar ratio=\"0,5\"/><eArt ratio=\"0.5\"/></ground_targets>").GroundRatio,
            (std::array<double, kGroundKinds>{1, 1, 0.5, 0.5, 1, 1, 1}));
  EXPECT_EQ(Read("<rules><airbomber ratio=\"1,000\"/></rules>").AirBomberRatio, 1.0);
  EXPECT_TRUE(home_.LogLines().empty());
}

TEST_F(SettingsFileTest, TextsThatAreNotNumbersWriteTheConversionLine) {
  home_.SetLogLevel(0);
  TSettings settings = Read("<ground_targets><eTank ratio=\"1,000.5\"/></ground_targets><log level=\"x\"/>");
  EXPECT_EQ(settings.GroundRatio[eTank], 1.0) << "the reader default";
  EXPECT_EQ(settings.LogLevel, 10);
  // The level is read before the ratios.
  EXPECT_EQ(home_.LogLines(), (std::vector<std::string>{"TS\tОшибка преобразования стрк в число:\tx",
                                                         "TS\tОшибка преобразования стрк в число:\t1.000.5"}));
  EXPECT_EQ(TextToFloat(""), 0.0);
  EXPECT_EQ(TextToFloat("-0,25"), -0.25);
  EXPECT_THROW(TextToFloat("12abc"), std::invalid_argument);
  EXPECT_THROW(TextToFloat("0x10"), std::invalid_argument);
  EXPECT_THROW(TextToFloat("."), std::invalid_argument);
}

TEST_F(SettingsFileTest, AnEmptyFileReadsAsTheMissingValues) {
  const TSettings read = Read("");
  EXPECT_EQ(read.Interval, 10u);
  EXPECT_EQ(read.Sleep, 0);
  EXPECT_EQ(read.AdminPort, 21009);
  EXPECT_EQ(read.LogLevel, 10);
  EXPECT_EQ(read.GroundRatio, (std::array<double, kGroundKinds>{1, 1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(read.AirBomberRatio, 1.0);
  EXPECT_EQ(read.SortieMode, 0);
  EXPECT_EQ(read.SortieDuration, 15u);
  EXPECT_EQ(read.BombersMode, 0);
  EXPECT_EQ(read.AdminPassword + read.SortieEndSuccess + read.SortieEndSkip + read.SortieEndDead, "");
}

TEST_F(SettingsFileTest, ConversionLinesComeInTheOrderOfReading) {
  home_.SetLogLevel(0);
  Read("<rules><airbomber ratio=\"a\"/><sortie mode=\"m\" duration=\"d\"/></rules><bombers_mode mode=\"b\"/>"
       "<ground_targets><eShip ratio=\"g6\"/><eSAir ratio=\"g0\"/></ground_targets><log level=\"l\"/>"
       "<ranks><rank value=\"v\" gndkills=\"k\"/></ranks><admin port=\"p\"/>"
       "<schedule interval=\"i\" sleep=\"s\"/>");
  std::string order;
  for (const std::string& line : home_.LogLines()) order += line.substr(line.rfind('\t') + 1) + " ";
  EXPECT_EQ(order, "s i p v k l g0 g6 b a m d ");
}

TEST_F(SettingsFileTest, DebugTextsAndTheAwardsFile) {
  EXPECT_EQ(Read("").AwardsFile, "awards.xml");
  EXPECT_FALSE(Read("").Debug);
  for (const char* off : {"2", "yes", " 1", "1.0", ""}) {
    test::WriteFileBytes(home_.SettingsFile(), std::string("<skyranks debug=\"") + off + "\"/>");
    TSettings settings;
    ReadSettings(home_.SettingsFile(), settings);
    EXPECT_FALSE(settings.Debug) << off;
  }
  test::WriteFileBytes(home_.SettingsFile(), "<skyranks debug=\"1\"/>");
  TSettings settings;
  ReadSettings(home_.SettingsFile(), settings);
  EXPECT_TRUE(settings.Debug);

  EXPECT_EQ(Read("<awards filename=\"   \"/>").AwardsFile, "awards.xml");
  EXPECT_EQ(Read("<awards filename=\" \t my awards.xml \"/>").AwardsFile, "my awards.xml");
  EXPECT_EQ(Read("<awards filename=\"http://example.org/a.xml\"/>").AwardsFile, "http://example.org/a.xml");
}

TEST_F(SettingsFileTest, TheAdminPortsListsAndTheLogOverHttp) {
  const TSettings missing = Read("");
  EXPECT_TRUE(missing.LogWeb);
  EXPECT_EQ(missing.AdminHosts + missing.AdminOrigins, "");
  for (const auto& [text, on] : {std::pair{"0", false}, {"no", false}, {"1", true}, {"", true}}) {
    EXPECT_EQ(Read(std::string("<log web=\"") + text + "\"/>").LogWeb, on) << text;
  }
  const TSettings listed = Read("<admin hosts=\" a.example, b.example \" origins=\"https://c.example\"/>");
  EXPECT_EQ(listed.AdminHosts, "a.example, b.example");
  EXPECT_EQ(listed.AdminOrigins, "https://c.example");
}

TEST_F(SettingsFileTest, TheRankScale) {
  EXPECT_TRUE(Read("").Ranks.empty());
  EXPECT_TRUE(Read("<ranks/>").Ranks.empty());

  std::string twelve = "<ranks>";
  for (int i = 0; i < 12; ++i) {
    twelve += "<rank value=\"" + std::to_string(12 - i) + "\" airkills=\"" + std::to_string(i) + "\">r" +
              std::to_string(i) + "</rank>";
  }
  TSettings settings = Read(twelve + "</ranks>");
  ASSERT_EQ(settings.Ranks.size(), 12u);
  EXPECT_EQ(settings.Ranks[0].Value, 12);
  EXPECT_EQ(settings.Ranks[11].Name, "r11");
  EXPECT_EQ(settings.Ranks[11].AirKills, 11);
  EXPECT_EQ(settings.Ranks[11].GndKills, 0);

  // A longer scale from an earlier read is cut to the file's rows.
  test::WriteFileBytes(home_.SettingsFile(), "<skyranks><ranks><rank>a</rank></ranks></skyranks>");
  ReadSettings(home_.SettingsFile(), settings);
  ASSERT_EQ(settings.Ranks.size(), 1u);
  EXPECT_EQ(settings.Ranks[0].Value, 0);

  const std::string forty = "Старший лейтенант авиации полка дальней";
  ASSERT_EQ(Utf8Length(forty + "я"), 40u);
  settings = Read("<ranks><rank>" + forty + "я</rank></ranks>");
  EXPECT_EQ(settings.Ranks[0].Name, "Старший лейтенант авиации полк");
}

TEST_F(SettingsFileTest, SavedRecordsReadBackAlike) {
  TSettings original;
  SetDefaultSettings(original);
  original.GroundRatio[eWag] = 0.125;
  original.AdminPassword = "пароль & <секрет>";
  original.Ranks.push_back({9, "маршал", 40, 35, 1});
  SaveSettings(home_.SettingsFile(), original);
  TSettings read;
  ASSERT_TRUE(ReadSettings(home_.SettingsFile(), read));
  EXPECT_EQ(read.GroundRatio, original.GroundRatio);
  EXPECT_EQ(read.AdminPassword, original.AdminPassword);
  ASSERT_EQ(read.Ranks.size(), 9u);
  EXPECT_EQ(read.Ranks[8].Name, "маршал");
  EXPECT_EQ(read.Ranks[8].GndKills, 1);
}

}  // namespace
}  // namespace sky
