#include "platform/mediaframework.h"

#include <QByteArray>

namespace platform {

void keepMediaFrameworkInert()
{
    // No plugin search path: there is nothing to load or scan.
    qputenv("GST_PLUGIN_SYSTEM_PATH_1_0", QByteArray());
    qputenv("GST_PLUGIN_SYSTEM_PATH", QByteArray());
    qputenv("GST_PLUGIN_PATH_1_0", QByteArray());
    qputenv("GST_PLUGIN_PATH", QByteArray());
    // No registry update, and none in a helper process.
    qputenv("GST_REGISTRY_UPDATE", "no");
    qputenv("GST_REGISTRY_FORK", "no");
    // The registry file is never looked for under the cache folder; nothing
    // is written to it since it is never updated.
    qputenv("GST_REGISTRY_1_0", "/dev/null");
    qputenv("GST_REGISTRY", "/dev/null");
}

} // namespace platform
