#include "panels/CControlSelFormView.h"

namespace lumadesk {

CControlSelFormView::CControlSelFormView(QWidget* parent) : QWidget(parent) {
    // Opaque, so the power groups it lies over do not show through.
    setAutoFillBackground(true);
    setAccessibleName(QStringLiteral("Selected unit(s) settings"));
}

void CControlSelFormView::Reset() {}

} // namespace lumadesk
