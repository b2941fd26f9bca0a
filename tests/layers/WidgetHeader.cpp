// Compiled with the lower layer's usage requirements: must fail to build, because no widget
// header is on its include path.
#include "store/MemoData.h"

#include <QWidget>

QWidget* LayerProbe() {
    return nullptr;
}
