// Compiled with the lower layer's usage requirements: builds, because Qt Core's headers are on
// its include path.
#include "store/MemoData.h"

#include <QString>

QString LayerProbe() {
    return QStringLiteral("core");
}
