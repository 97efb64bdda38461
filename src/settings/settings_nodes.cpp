// Every node of the settings file, in the order a new file holds them.
#include "settings/settings_nodes.h"

namespace sky {

namespace {

using T = TNodeType;
using W = TNodeWrite;
using S = TSettings;

// The scale is cut at 30 characters per name, as the pages' rank columns are.
constexpr TSettingsNode<TRankDef> kRankColumns[] = {
    {.attribute = "value", .type = T::kInt, .missing = "0", .field = &TRankDef::Value},
    {.attribute = "sorties_limit", .type = T::kInt, .missing = "0", .field = &TRankDef::SortiesLimit},
    {.attribute = "airkills", .type = T::kInt, .missing = "0", .field = &TRankDef::AirKills},
    {.attribute = "gndkills", .type = T::kInt, .missing = "0", .field = &TRankDef::GndKills},
    {.type = T::kText, .limit = 30, .field = &TRankDef::Name},
};

// The limits are the widths of the fields the database connection takes.
constexpr TSettingsNode<TServerEntry> kServerColumns[] = {
    {.attribute = "id", .type = T::kText, .missing = "1", .fresh = "1", .limit = 10, .write = W::kFresh,
     .field = &TServerEntry::Id},
    {.attribute = "active", .type = T::kSwitch, .missing = "1", .fresh = "1", .write = W::kFresh,
     .field = &TServerEntry::Active},
    {.attribute = "host", .type = T::kText, .fresh = "localhost", .limit = 30, .field = &TServerEntry::Host},
    {.attribute = "user", .type = T::kText, .fresh = "root", .limit = 100, .field = &TServerEntry::User},
    {.attribute = "pass", .type = T::kText, .fresh = "zebu", .limit = 100, .field = &TServerEntry::Pass},
    {.attribute = "db", .type = T::kText, .fresh = "SKYSTAT", .limit = 50, .field = &TServerEntry::Db},
    {.attribute = "port", .type = T::kPort, .missing = "3306", .write = W::kNever, .field = &TServerEntry::Port},
    {.attribute = "charset", .type = T::kName, .missing = "utf8mb4", .write = W::kNever,
     .field = &TServerEntry::Charset},
};

// Never in a new file: the administrator adds them.
constexpr TSettingsNode<TWebhookEntry> kWebhookColumns[] = {
    {.attribute = "url", .type = T::kName, .write = W::kNever, .field = &TWebhookEntry::Url},
    {.attribute = "format", .type = T::kName, .missing = "json", .write = W::kNever, .field = &TWebhookEntry::Format},
    {.attribute = "events", .type = T::kName, .missing = "rank,award", .write = W::kNever,
     .field = &TWebhookEntry::Events},
    {.attribute = "srvid", .type = T::kName, .write = W::kNever, .field = &TWebhookEntry::Srvid},
    {.attribute = "lang", .type = T::kName, .missing = "ru", .write = W::kNever, .field = &TWebhookEntry::Lang},
};

const TRankDef kNewFileRanks[] = {
    {1, "мл. л-т", 3, 2, 0},     {2, "лейтенант", 5, 3, 0},   {3, "ст. лейтенант", 10, 5, 0},
    {4, "капитан", 15, 10, 0},   {5, "майор", 20, 15, 0},     {6, "подполковник", 25, 20, 0},
    {7, "полковник", 30, 25, 0}, {8, "генерал", 35, 30, 0},
};

constexpr const char* kGroundComment = "Весовые коэфициенты за вынесенную наземку (по отношению с воздушному килу)";

// The read order is the order the values have always been read in, so that
// conversion lines and the echo keep their places in the log. The debug flag
// is not part of the defaults: a new file always starts with it off.
const TSettingsNode<S> kSettingsNodes[] = {
    {.element = "/skyranks", .attribute = "debug", .type = T::kFlag, .missing = "0", .fresh = "0",
     .comment = "Настройки для расчета званий и наград пилотов\n"
                "Если значение атрибута \"debug\" не ноль, то расчет идти будет, но писаться в бд ничего не будет",
     .write = W::kFresh, .read_order = 1, .field = &S::Debug},
    {.element = "/skyranks/mysql", .type = T::kServers, .comment = "Параметры сервера MySQL"},
    {.element = "/skyranks/schedule", .attribute = "interval", .type = T::kInt, .missing = "10", .fresh = "15",
     .comment = "Интервал пересчета званий в минутах", .read_order = 3, .field = &S::Interval},
    {.element = "/skyranks/schedule", .attribute = "sleep", .type = T::kInt, .missing = "0", .fresh = "0",
     .read_order = 2, .field = &S::Sleep},
    {.element = "/skyranks/schedule", .attribute = "check", .type = T::kInt, .missing = "60", .write = W::kNever,
     .read_order = 25, .field = &S::HistoryCheck},
    {.element = "/skyranks/schedule", .attribute = "verify", .type = T::kInt, .missing = "24", .write = W::kNever,
     .read_order = 26, .field = &S::HistoryVerify},
    {.element = "/skyranks/admin", .attribute = "port", .type = T::kInt, .missing = "21009", .fresh = "21009",
     .comment = "TCP порт для администрирования", .read_order = 7, .field = &S::AdminPort},
    {.element = "/skyranks/admin", .attribute = "bind", .type = T::kName, .write = W::kNever, .read_order = 23,
     .field = &S::AdminBind},
    {.element = "/skyranks/admin", .attribute = "cors", .type = T::kName, .write = W::kNever, .read_order = 24,
     .field = &S::AdminCors},
    {.element = "/skyranks/admin", .attribute = "hosts", .type = T::kName, .write = W::kNever, .read_order = 30,
     .field = &S::AdminHosts},
    {.element = "/skyranks/admin", .attribute = "origins", .type = T::kName, .write = W::kNever, .read_order = 31,
     .field = &S::AdminOrigins},
    {.element = "/skyranks/admin/password", .type = T::kText, .fresh = "pintowel", .read_order = 8,
     .echo = TNodeEcho::kAdministration, .field = &S::AdminPassword},
    {.element = "/skyranks/ranks/rank", .type = T::kRanks,
     .parent_comment = "Это шкала званий (кол-во элементов произвольно и равно длине массива званий в PHP скрипте)",
     .read_order = 9},
    {.element = "/skyranks/sorties_end/success", .type = T::kText, .fresh = "_TKON_CRASHED_",
     .comment = "Вылет учитывается и может стать боевым",
     .parent_comment = "Чем окончился вылет, и как это повлияет на стрик", .read_order = 4,
     .field = &S::SortieEndSuccess},
    {.element = "/skyranks/sorties_end/skip", .type = T::kText, .fresh = "_BAIL_MIA_",
     .comment = "Вылет не учитывается", .read_order = 5, .field = &S::SortieEndSkip},
    {.element = "/skyranks/sorties_end/dead", .type = T::kText, .fresh = "_DIED_CAPTURED_",
     .comment = "Вылет прерывает стрик", .read_order = 6, .echo = TNodeEcho::kStreakConditions,
     .field = &S::SortieEndDead},
    {.element = "/skyranks/log", .attribute = "level", .type = T::kInt, .missing = "10", .fresh = "3",
     .comment = "Детальность лога (0 - минимальный лог ... 3 - максимально подробно)", .read_order = 10,
     .field = &S::LogLevel},
    {.element = "/skyranks/log", .attribute = "web", .type = T::kSwitch, .missing = "1", .write = W::kNever,
     .read_order = 32, .field = &S::LogWeb},
    {.element = "/skyranks/bombers_mode", .attribute = "mode", .type = T::kInt, .missing = "0", .fresh = "0",
     .comment = "Учет наземки (0-не учитывается; 1-суммируется с воздушными килами; 2-чего больше, то и "
                "учитывается (либо воздух либо земля))",
     .read_order = 18, .field = &S::BombersMode},
    {.element = "/skyranks/ground_targets/eSAir", .attribute = "ratio", .type = T::kRatio, .missing = "1",
     .fresh = "0.5", .comment = "Самолет на земле", .parent_comment = kGroundComment, .read_order = 11,
     .field = &S::GroundRatio, .index = eSAir},
    {.element = "/skyranks/ground_targets/eTank", .attribute = "ratio", .type = T::kRatio, .missing = "1",
     .fresh = "1", .comment = "Танк", .read_order = 12, .field = &S::GroundRatio, .index = eTank},
    {.element = "/skyranks/ground_targets/eCar", .attribute = "ratio", .type = T::kRatio, .missing = "1",
     .fresh = "0.2", .comment = "Машинка", .read_order = 13, .field = &S::GroundRatio, .index = eCar},
    {.element = "/skyranks/ground_targets/eArt", .attribute = "ratio", .type = T::kRatio, .missing = "1",
     .fresh = "0.25", .comment = "Пушка", .read_order = 14, .field = &S::GroundRatio, .index = eArt},
    {.element = "/skyranks/ground_targets/eAaa", .attribute = "ratio", .type = T::kRatio, .missing = "1",
     .fresh = "0.5", .comment = "Зенитное орудие", .read_order = 15, .field = &S::GroundRatio, .index = eAaa},
    {.element = "/skyranks/ground_targets/eWag", .attribute = "ratio", .type = T::kRatio, .missing = "1",
     .fresh = "0.1", .comment = "Вагон и маленькая тележка", .read_order = 16, .field = &S::GroundRatio,
     .index = eWag},
    {.element = "/skyranks/ground_targets/eShip", .attribute = "ratio", .type = T::kRatio, .missing = "1",
     .fresh = "2", .comment = "Корабль", .read_order = 17, .field = &S::GroundRatio, .index = eShip},
    {.element = "/skyranks/rules/sortie", .attribute = "mode", .type = T::kInt, .missing = "0", .fresh = "2",
     .comment = "Поясненние к правилам\n"
                "mode=0: длительность вылета не контролируется\n"
                "mode=1: длительность вылета контролируется. Боевой вылет это вылет с килами продолжительностью "
                "не менее \"duration\" минут\n"
                "mode=2: длительность вылета контролируется. Боевой вылет это ЛЮБОЙ вылет продолжительностью не "
                "менее \"duration\" минут",
     .read_order = 20, .field = &S::SortieMode},
    {.element = "/skyranks/rules/sortie", .attribute = "duration", .type = T::kInt, .missing = "15", .fresh = "15",
     .read_order = 21, .field = &S::SortieDuration},
    {.element = "/skyranks/rules/airbomber", .attribute = "ratio", .type = T::kRatio, .missing = "1",
     .fresh = "1.5", .comment = "Коэффициент для сбитого в воздухе бомбера", .read_order = 19,
     .field = &S::AirBomberRatio},
    {.element = "/skyranks/awards", .attribute = "filename", .type = T::kName, .missing = "awards.xml",
     .fresh = "awards.xml", .comment = "Расположение файла с настройками наград (локальое имя или URL)",
     .read_order = 22, .field = &S::AwardsFile},
    {.element = "/skyranks/notify", .attribute = "public_url", .type = T::kName, .write = W::kNever,
     .read_order = 33, .field = &S::NotifyPublicUrl},
    {.element = "/skyranks/notify/webhook", .type = T::kWebhooks, .write = W::kNever, .read_order = 34},
};

}  // namespace

std::span<const TSettingsNode<TSettings>> SettingsNodes() { return kSettingsNodes; }
std::span<const TSettingsNode<TRankDef>> RankColumns() { return kRankColumns; }
std::span<const TSettingsNode<TServerEntry>> ServerColumns() { return kServerColumns; }
std::span<const TSettingsNode<TWebhookEntry>> WebhookColumns() { return kWebhookColumns; }
std::span<const TRankDef> NewFileRanks() { return kNewFileRanks; }

}  // namespace sky
