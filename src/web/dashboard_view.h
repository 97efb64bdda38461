// "?cmd=dashboard...": the running pass and the last passes
// (engine/pass_progress.h, engine/pass_journal.h), and the webhooks when
// there are any, as an XML document rendered by xsl/dashboard.xsl, or as
// JSON, in the language the request chose (web/page_language.h).
#pragma once

#include "web/view_call.h"

namespace sky {

void ShowDashboard(const TViewCall& call);

}  // namespace sky
