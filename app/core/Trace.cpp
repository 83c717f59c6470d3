#include "Trace.h"

#include <QLoggingCategory>

namespace cv7::app {
namespace {
Q_LOGGING_CATEGORY(lcTrace, "cv7d.trace", QtWarningMsg)
}  // namespace

void trace(const QString& line) { qCDebug(lcTrace).noquote() << "D:" << line; }

}  // namespace cv7::app
