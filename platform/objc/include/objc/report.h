// The runtime's reports of faults it survives, such as a class name registered a second
// time with another implementation (objc::registerClass keeps the first class).
#pragma once

#include <string_view>

#include "objc/ObjCExport.h"

namespace objc {

// Where reports go: one line each, without the newline. By default, standard error as
// "objc[pid]: line". Returns the previous handler; none restores the default.
using ReportHandler = void (*)(std::string_view line);
NIMBRA_OBJC_API ReportHandler setReportHandler(ReportHandler handler);

}  // namespace objc
