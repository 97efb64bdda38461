#include "notify/event_body.h"

#include <ctime>

#include <fmt/format.h>

#include "base/encoding.h"
#include "export/json_writer.h"

namespace sky {

namespace {

std::string UtcText(int64_t time) {
  const std::time_t seconds = static_cast<std::time_t>(time);
  std::tm parts{};
  gmtime_r(&seconds, &parts);
  return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}Z", parts.tm_year + 1900, parts.tm_mon + 1,
                     parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
}

std::string QueryEscaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) != 0 || c == '-' || c == '_' || c == '.' || c == '~') {
      out += c;
    } else {
      out += fmt::format("%{:02X}", byte);
    }
  }
  return out;
}

// A text shown as it is in Discord's markdown: its markup characters escaped.
std::string MarkdownEscaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (std::string_view("\\*_~`|>#[]()<@:").find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

void WriteNamedValue(TJsonWriter& writer, std::string_view key, int32_t value, std::string_view name) {
  WriteJsonKey(writer, key);
  writer.StartObject();
  WriteJsonField(writer, "value", value);
  WriteJsonField(writer, "name", name);
  writer.EndObject();
}

struct TTexts {
  const char* promoted;     // "{callsign} ... {rank}"
  const char* was;          // "(was {rank})"
  const char* awarded;
  const char* rank_line;    // description
  const char* award_line;
};

constexpr TTexts kRussian{"{} получает звание «{}»", "прежнее звание: {}", "{} награждён: «{}»", "Звание: **{}**",
                          "Награда: **{}**"};
constexpr TTexts kEnglish{"{} is promoted to {}", "previous rank: {}", "{} is awarded {}", "Rank: **{}**",
                          "Award: **{}**"};

// Red for army 1, blue for army 2, grey for any other.
int32_t ArmyColour(int32_t army) { return army == 1 ? 0xC83737 : army == 2 ? 0x3771C8 : 0x808080; }

}  // namespace

std::string PilotPageUrl(std::string_view public_url, const std::string& srvid, int32_t pilot_id) {
  if (public_url.empty()) return {};
  std::string url(public_url);
  if (url.back() != '/') url += '/';
  return url + fmt::format("?pilot={}&srvid={}", pilot_id, QueryEscaped(srvid));
}

std::string JsonEventBody(const TNotifyEvent& event, std::string_view public_url) {
  return JsonObjectText([&](TJsonWriter& writer) {
    WriteJsonField(writer, "event", EventKindName(event.Kind));
    WriteJsonField(writer, "id", EventId(event));
    WriteJsonField(writer, "srvid", event.Srvid);
    WriteJsonField(writer, "time", UtcText(event.Time));
    WriteJsonKey(writer, "pilot");
    writer.StartObject();
    WriteJsonField(writer, "id", event.PilotId);
    WriteJsonField(writer, "callsign", event.Callsign);
    WriteJsonField(writer, "army", event.Army);
    WriteJsonTextOrNull(writer, "url", PilotPageUrl(public_url, event.Srvid, event.PilotId));
    writer.EndObject();
    if (event.Kind == TEventKind::kRank) {
      WriteNamedValue(writer, "rank", event.Value, event.Name);
      WriteNamedValue(writer, "previous_rank", event.Previous, event.PreviousName);
    } else {
      WriteJsonKey(writer, "award");
      writer.StartObject();
      WriteJsonField(writer, "bit", event.Bit);
      WriteJsonField(writer, "value", static_cast<int64_t>(static_cast<uint32_t>(event.Value)));
      WriteJsonField(writer, "name", event.Name);
      writer.EndObject();
    }
  });
}

std::string DiscordEventBody(const TNotifyEvent& event, std::string_view public_url, std::string_view lang) {
  const TTexts& texts = lang == "en" ? kEnglish : kRussian;
  // Cut before escaping, so an escape is never cut in half; the caps keep
  // the total far below Discord's.
  const std::string callsign = SanitizeUtf8(Utf8Prefix(event.Callsign, 100));
  const std::string name = SanitizeUtf8(Utf8Prefix(event.Name, 200));
  const bool rank = event.Kind == TEventKind::kRank;
  std::string content = fmt::format(fmt::runtime(rank ? texts.promoted : texts.awarded), MarkdownEscaped(callsign),
                                    MarkdownEscaped(name));
  std::string description = fmt::format(fmt::runtime(rank ? texts.rank_line : texts.award_line), MarkdownEscaped(name));
  if (rank && event.Previous > 0) {
    description += "\n" + fmt::format(fmt::runtime(texts.was),
                                      MarkdownEscaped(SanitizeUtf8(Utf8Prefix(event.PreviousName, 200))));
  }
  const std::string url = PilotPageUrl(public_url, event.Srvid, event.PilotId);
  return JsonObjectText([&](TJsonWriter& writer) {
    WriteJsonField(writer, "content", Utf8Prefix(content, kDiscordContentMax));
    WriteJsonKey(writer, "allowed_mentions");
    writer.StartObject();
    WriteJsonKey(writer, "parse");
    writer.StartArray();
    writer.EndArray();
    writer.EndObject();
    WriteJsonKey(writer, "embeds");
    writer.StartArray();
    writer.StartObject();
    WriteJsonField(writer, "title", Utf8Prefix(callsign.empty() ? std::string("?") : callsign, kDiscordTitleMax));
    if (!url.empty()) WriteJsonField(writer, "url", url);
    WriteJsonField(writer, "description", Utf8Prefix(description, kDiscordDescriptionMax));
    WriteJsonField(writer, "color", ArmyColour(event.Army));
    WriteJsonField(writer, "timestamp", UtcText(event.Time));
    writer.EndObject();
    writer.EndArray();
  });
}

std::string EventBody(const TNotifyEvent& event, const TWebhookEntry& webhook, std::string_view public_url) {
  return webhook.Format == "discord" ? DiscordEventBody(event, public_url, webhook.Lang)
                                     : JsonEventBody(event, public_url);
}

}  // namespace sky
