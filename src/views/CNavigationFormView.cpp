#include "views/CNavigationFormView.h"

#include "model/StudioModel.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"
#include "views/CNavigationGrid.h"

#include <QResizeEvent>

namespace lumadesk {

CNavigationFormView::CNavigationFormView(StudioModel* model, std::function<QObject*()> controlPane,
                                         QWidget* parent)
    : CFormPane(QStringLiteral("Navigation"), Msg::NavShowStudio, Msg::NavPanelMode, parent),
      m_model(model), m_controlPane(std::move(controlPane)) {
    if (m_model == nullptr)
        return;
    auto* placeholder = new QWidget(this);
    placeholder->setGeometry(8, 30, 233, 333);
    m_grid = new CNavigationGrid(m_model, m_controlPane);
    m_grid->AttachGrid(placeholder);
}

void CNavigationFormView::setActions(OperatorActions* actions) {
    if (m_grid != nullptr)
        m_grid->setActions(actions);
}

void CNavigationFormView::resizeEvent(QResizeEvent* event) {
    CFormPane::resizeEvent(event);
    if (m_grid == nullptr)
        return;
    m_grid->setGeometry(8, 30, event->size().width() - 20, event->size().height() - 40);
    m_grid->update();
}

void CNavigationFormView::customEvent(QEvent* event) {
    WindowMessage* message = AsWindowMessage(event);
    if (message == nullptr || m_grid == nullptr || message->number() < Msg::NavShowStudio ||
        message->number() > Msg::NavPanelMode)
        return CFormPane::customEvent(event);
    message->acquire();
    switch (message->number()) {
    case Msg::NavShowStudio:
        onShowStudio(message->lParam());
        break;
    case Msg::NavSelectUnit:
        onSelectUnit(message->wParam(), lumadesk::HeldRecordOf(*m_model, *message));
        break;
    case Msg::NavUnitAdded:
        onUnitAdded();
        break;
    case Msg::NavUnitSetting:
        onUnitSetting(int(message->wParam()),
                      message->lParam() == 0 ? nullptr : lumadesk::HeldRecordOf(*m_model, *message),
                      message->lParam() == 0);
        break;
    case Msg::NavUnitStatus:
        onUnitStatus(lumadesk::HeldRecordOf(*m_model, *message));
        break;
    case Msg::NavGroupChange:
        onGroupChange(int(message->wParam()));
        break;
    default: // the panel's mode: nothing here depends on it
        break;
    }
    message->setResult(0);
}

void CNavigationFormView::gotoBlock(int i) {
    m_grid->GotoCell(0, CNavigationGrid::kRowsPerBlock * i + 1);
}

void CNavigationFormView::onShowStudio(qintptr studioParam) {
    auto* studio = reinterpret_cast<StudioData*>(studioParam);
    if (!IsLiveStudio(*m_model, studio))
        return;
    m_grid->ShowStudio(studio);
    if (studio->nChItemCnt <= 0)
        SendMessage(m_controlPane ? m_controlPane() : nullptr, Msg::CtrlEmptyStudio);
    else
        gotoBlock(0);
}

void CNavigationFormView::onSelectUnit(qintptr rebuild, StrobeData* unit) {
    if (unit == nullptr)
        return;
    if (rebuild != 0) {
        StudioData* studio = StudioOfNode(m_model->pCurNode);
        if (studio == nullptr)
            return;
        m_grid->ShowStudio(studio);
    }
    const int i = m_grid->BlockOf(unit);
    if (i >= 0)
        gotoBlock(i);
}

void CNavigationFormView::onUnitAdded() {
    StudioData* studio = StudioOfNode(m_model->pCurNode);
    if (studio == nullptr)
        return;
    const int current = m_grid->currentIndex();
    StrobeData* remembered = current >= 0 && current < int(m_model->arrShown.size())
                                 ? m_model->arrShown[std::size_t(current)]
                                 : nullptr;
    m_grid->ShowStudio(studio);
    const int i = remembered != nullptr ? m_grid->BlockOf(remembered) : -1;
    gotoBlock(i >= 0 ? i : 0);
}

void CNavigationFormView::onUnitSetting(int code, StrobeData* unit, bool currentUnit) {
    if (currentUnit) {
        NodeHeader* node = m_model->pCurNode;
        if (node == nullptr || node->nNodeKind == NODE_STUDIO)
            return;
        unit = node->nNodeKind == NODE_LIGHT ? static_cast<StrobeData*>(node->pParent)
                                             : static_cast<StrobeData*>(node);
    }
    if (m_model->OwnsRecord(unit))
        m_grid->RefreshStrobe(code, unit);
}

void CNavigationFormView::onUnitStatus(StrobeData* unit) {
    if (unit == nullptr)
        return;
    const int i = m_grid->BlockOf(unit);
    if (i >= 0)
        m_grid->UpdateStrobeBlock(i, unit);
}

void CNavigationFormView::onGroupChange(int code) {
    for (StrobeData* unit : ShownUnits(*m_model))
        m_grid->RefreshStrobe(code, unit);
}

} // namespace lumadesk
