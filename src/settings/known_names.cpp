#include "settings/known_names.h"

namespace sky {

namespace {

void Walk(const std::string& file, TXmlNode element, const std::string& parent_path, const TKnownNames& known,
          TCheckReport& report) {
  const std::string name = element.Name();
  const std::string path = parent_path + "/" + name;
  if (!known.element(path)) {
    const std::string parent = parent_path.substr(parent_path.rfind('/') + 1);
    report.Problem(file, element.Line(),
                   "unknown element <" + name + ">" + (parent.empty() ? "" : " in <" + parent + ">"));
    return;
  }
  for (const auto& [attribute, value] : element.Attributes()) {
    if (!known.attribute(path, attribute)) {
      report.Problem(file, element.Line(), "unknown attribute " + attribute + " of <" + name + ">");
    }
  }
  for (TXmlNode child : element.ChildElements()) Walk(file, child, path, known, report);
}

}  // namespace

void ReportUnknownNames(const std::string& file, TXmlNode root, const TKnownNames& known, TCheckReport& report) {
  if (!root.IsNull()) Walk(file, root, "", known, report);
}

}  // namespace sky
