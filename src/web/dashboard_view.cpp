#include "web/dashboard_view.h"

#include <exception>
#include <optional>
#include <string>

#include <fmt/format.h>

#include "base/datetime.h"
#include "base/log.h"
#include "base/progress_bar.h"
#include "engine/pass_journal.h"
#include "engine/pass_progress.h"
#include "export/json_writer.h"
#include "notify/notifier.h"
#include "web/page_language.h"
#include "web/view_answer.h"
#include "xml/xml_document.h"

namespace sky {

namespace {

std::string Seconds(double seconds) { return fmt::format("{:.3f}", seconds); }

// What the page shows of a pass, in the order of the attributes and keys.
struct TPassView {
  std::string_view kind;
  const TPassDatabase& database;
  TDateTime start;
  std::vector<std::pair<std::string_view, int64_t>> counts;
};

TPassView RunningView(const TPassSummary& pass) {
  return {PassKindName(pass.Kind),
          pass.Database,
          pass.Start,
          {{"pilots_total", pass.PilotsTotal},
           {"pilots_done", pass.Pilots},
           {"sorties_read", pass.SortiesRead},
           {"rows_written", pass.RowsWritten},
           {"errors", pass.Errors}}};
}

TPassView EntryView(const TPassSummary& entry) {
  return {PassKindName(entry.Kind),
          entry.Database,
          entry.Start,
          {{"pilots", entry.Pilots},
           {"sorties_read", entry.SortiesRead},
           {"rows_written", entry.RowsWritten},
           {"errors", entry.Errors}}};
}

void SetPassAttributes(TXmlNode node, const TPassView& view) {
  node.SetAttribute("kind", view.kind);
  node.SetAttribute("id", view.database.Id);
  node.SetAttribute("host", view.database.Host);
  node.SetAttribute("db", view.database.Db);
  node.SetAttribute("start", FormatDateTime(view.start));
  for (const auto& [name, value] : view.counts) node.SetAttribute(name, std::to_string(value));
}

void WritePassKeys(TJsonWriter& writer, const TPassView& view) {
  WriteJsonKey(writer, "kind");
  WriteJsonText(writer, view.kind);
  WriteJsonKey(writer, "database");
  writer.StartObject();
  for (const auto& [key, value] : {std::pair<std::string_view, const std::string&>{"id", view.database.Id},
                                   {"host", view.database.Host},
                                   {"db", view.database.Db}}) {
    WriteJsonKey(writer, key);
    WriteJsonText(writer, value);
  }
  writer.EndObject();
  WriteJsonKey(writer, "start");
  WriteJsonText(writer, FormatIsoDateTime(view.start));
  for (const auto& [name, value] : view.counts) {
    WriteJsonKey(writer, name);
    writer.Int64(value);
  }
}

std::vector<std::pair<std::string_view, uint64_t>> WebhookCounts(const TWebhookStatus& status) {
  return {{"queued", status.queued}, {"delivered", status.delivered}, {"failed", status.failed}};
}

// What the page shows: the running pass, the journal's passes, the webhooks.
struct TDashboardAnswer {
  TPageLanguage language;
  TPassSummary running;
  std::vector<TPassSummary> passes;
  std::vector<TWebhookStatus> webhooks;
};

TDashboardAnswer AssembleDashboard(const THttpRequest& request) {
  return {ChoosePageLanguage(request), RunningPass().Snapshot(), PassJournal().Entries(), WebhookStatuses()};
}

std::string DashboardXml(const TDashboardAnswer& answer) {
  const TPassSummary& running = answer.running;
  const std::vector<TPassSummary>& passes = answer.passes;
  const std::vector<TWebhookStatus>& webhooks = answer.webhooks;
  TXmlDocument doc;
  doc.AppendProcessingInstruction("xml-stylesheet", "type=\"text/xsl\" href=\"/xsl/dashboard.xsl\"");
  TXmlNode root = doc.CreateRoot("dashboard");
  root.SetAttribute("lang", PageLanguageCode(answer.language));
  if (running.Running) {
    TXmlNode node = root.AppendElement("running");
    SetPassAttributes(node, RunningView(running));
    node.SetAttribute("elapsed", Seconds(running.Seconds));
    if (const auto left = SecondsLeft(running.Pilots, running.PilotsTotal, running.Seconds)) {
      node.SetAttribute("left", Seconds(*left));
    }
  }
  TXmlNode list = root.AppendElement("passes");
  for (std::size_t n = 0; n < passes.size(); ++n) {
    TXmlNode node = list.AppendElement("pass");
    node.SetAttribute("n", std::to_string(n + 1));
    SetPassAttributes(node, EntryView(passes[n]));
    node.SetAttribute("duration", Seconds(passes[n].Seconds));
    node.SetAttribute("end", PassEndName(passes[n].End));
  }
  // Only with webhooks configured, so that the page without them stays as it was.
  if (!webhooks.empty()) {
    TXmlNode hooks = root.AppendElement("webhooks");
    for (std::size_t n = 0; n < webhooks.size(); ++n) {
      TXmlNode node = hooks.AppendElement("webhook");
      node.SetAttribute("n", std::to_string(n + 1));
      node.SetAttribute("host", webhooks[n].host);
      for (const auto& [name, value] : WebhookCounts(webhooks[n])) node.SetAttribute(name, std::to_string(value));
      node.SetAttribute("last_error", webhooks[n].last_error);
    }
  }
  return doc.ToText();
}

std::string DashboardJson(const TDashboardAnswer& answer) {
  const TPassSummary& running = answer.running;
  const std::vector<TPassSummary>& passes = answer.passes;
  const std::vector<TWebhookStatus>& webhooks = answer.webhooks;
  std::string json;
  {
    TJsonSink sink(json);
    TJsonWriter writer(sink);
    writer.StartObject();
    WriteJsonKey(writer, "lang");
    WriteJsonText(writer, PageLanguageCode(answer.language));
    WriteJsonKey(writer, "running");
    if (running.Running) {
      writer.StartObject();
      WritePassKeys(writer, RunningView(running));
      WriteJsonKey(writer, "elapsed_seconds");
      writer.Double(running.Seconds);
      WriteJsonKey(writer, "left_seconds");
      if (const auto left = SecondsLeft(running.Pilots, running.PilotsTotal, running.Seconds)) {
        writer.Double(*left);
      } else {
        writer.Null();
      }
      writer.EndObject();
    } else {
      writer.Null();
    }
    WriteJsonKey(writer, "passes");
    writer.StartArray();
    for (const TPassSummary& entry : passes) {
      writer.StartObject();
      WritePassKeys(writer, EntryView(entry));
      WriteJsonKey(writer, "duration_seconds");
      writer.Double(entry.Seconds);
      WriteJsonKey(writer, "end");
      WriteJsonText(writer, PassEndName(entry.End));
      writer.EndObject();
    }
    writer.EndArray();
    if (!webhooks.empty()) {
      WriteJsonKey(writer, "webhooks");
      writer.StartArray();
      for (const TWebhookStatus& status : webhooks) {
        writer.StartObject();
        WriteJsonField(writer, "host", status.host);
        for (const auto& [name, value] : WebhookCounts(status)) {
          WriteJsonKey(writer, name);
          writer.Uint64(value);
        }
        WriteJsonTextOrNull(writer, "last_error", status.last_error);
        writer.EndObject();
      }
      writer.EndArray();
    }
    writer.EndObject();
  }
  return json;
}

}  // namespace

void ShowDashboard(const TViewCall& call) {
  try {
    const TDashboardAnswer answer = AssembleDashboard(call.request);
    SendViewAnswer(call, [&] { return DashboardJson(answer); }, [&] { return DashboardXml(answer); });
  } catch (const std::exception& e) {
    WriteLog(0, "ShowDashboard", e.what());
  }
}

}  // namespace sky
