// Trace lines of the application ("D: ..."). They are discarded unless the logging category
// cv7d.trace is enabled (QT_LOGGING_RULES="cv7d.trace.debug=true").
#pragma once
#include <QString>

namespace cv7::app {

void trace(const QString& line);

}  // namespace cv7::app
