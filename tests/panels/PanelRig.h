#pragma once

#include "actions/OperatorActions.h"
#include "actions/OperatorHistory.h"
#include "link/CZbProtocol.h"
#include "model/StudioModel.h"
#include "model/XmlFileContext.h"
#include "panels/CControlFormView.h"
#include "platform/WindowMessage.h"
#include "support/MessageRecorder.h"
#include "support/PortOnPty.h"
#include "support/WorkingDirectory.h"

#include <QAbstractButton>
#include <QLabel>
#include <QtTest>

namespace lumadesk {

// The remote control panel on a real model, its frames written to a pseudo-terminal that the
// test reads as the dongle, and recorders standing in for the frame and the two other panes.
// One unit on channel 2 of studio A is selected and shown.
struct PanelRig {
    WorkingDirectory cwd;
    PortOnPty link;
    StudioModel model;
    CZbProtocol protocol{&link.port};
    XmlFileContext files;
    MessageRecorder frame;
    MessageRecorder navigation;
    MessageRecorder studioList;
    OperatorActions actions{model,
                            protocol,
                            {[this] { return &navigation; }, [this] { return &panel; },
                             [this] { return &studioList; }}};
    OperatorHistory history{model, actions};
    CControlFormView panel;
    StrobeData* unit = nullptr;

    PanelRig() {
        QVERIFY(link.open());
        actions.setHistory(&history);
        SelectStudio(&model, model.studios[0].get());
        unit = PlaceStrobe(&model, 0, 2, std::make_unique<StrobeData>());
        unit->nFlashValue = 40;
        unit->nModelValue = 50;
        panel.OnInitialUpdate({&frame, &model, &protocol, &files, [this] { return &navigation; },
                               [this] { return &studioList; }, &actions});
        panel.resize(340, 420);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
    }

    void select() {
        unit->nNodeKind = NODE_STROBE;
        model.pCurNode = unit;
        SendMessage(&panel, 30);
    }

    template <typename T = QWidget> T* control(const QString& name) {
        for (T* widget : panel.findChildren<T*>()) {
            if (widget->accessibleName() == name)
                return widget;
        }
        qFatal("no control %s", qPrintable(name));
    }
    QString text(const QString& name) { return control<QLabel>(name)->text(); }

    // The frames the panel wrote, as hex, once `expected` bytes arrived; then nothing more.
    QString frames(int expected) {
        QByteArray bytes = link.dongle.readExactly(expected, 2000);
        bytes += link.dongle.readFor(50);
        return QString::fromLatin1(bytes.toHex(' '));
    }
    QList<qintptr> posted(int number) {
        QCoreApplication::sendPostedEvents();
        QList<qintptr> codes;
        for (const auto& e : navigation.only(number))
            codes << e.wParam;
        navigation.entries.clear();
        return codes;
    }
};

} // namespace lumadesk
