#include "link/CStrobeEventHandler.h"
#include "link/CZbProtocol.h"
#include "link/CommandFrames.h"
#include "link/ReportAssembler.h"
#include "link/UnitSettingTable.h"
#include "model/PowerLevel.h"
#include "model/StudioModel.h"
#include "platform/Messages.h"
#include "support/MessageRecorder.h"

#include <QtTest>

using namespace lumadesk;

class UnitSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void commandEchoStoresTheSentValueUnderTheSettingsCode_data();
    void commandEchoStoresTheSentValueUnderTheSettingsCode();
};

void UnitSettingsTest::commandEchoStoresTheSentValueUnderTheSettingsCode_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("value");
    for (int i = 0; i < int(UnitSettings().size()); ++i) {
        const UnitSetting& setting = UnitSettings()[std::size_t(i)];
        QList<int> values{0}; // the test flash carries nothing
        if (setting.kind == SettingKind::Level)
            values = {kLowestLevel, kHighestLevel};
        else if (setting.kind == SettingKind::Switch)
            values = {0, 1};
        for (int value : values)
            QTest::addRow("%s %d", setting.name, value) << i << value;
    }
}

// A head echoes a unit command as a setting report with the same bytes; the console must take
// back exactly what it sent, into the same member, and name it by the setting's change code.
void UnitSettingsTest::commandEchoStoresTheSentValueUnderTheSettingsCode() {
    QFETCH(int, index);
    QFETCH(int, value);
    const UnitSetting& setting = UnitSettings()[std::size_t(index)];
    QCOMPARE(SettingOfCommand(setting.commandType), &setting);
    QCOMPARE(SettingNamed(QString::fromLatin1(setting.name)), &setting);
    QCOMPARE(SettingOfMember(setting.member), setting.member ? &setting : nullptr);
    QCOMPARE(SettingOfChange(setting.changeCode), setting.member ? &setting : nullptr);

    StudioModel model;
    MessageRecorder frame;
    CStrobeEventHandler handler(&frame, &model);
    CZbProtocol protocol(nullptr, &handler);
    ReportAssembler assembler(protocol);
    SelectStudio(&model, model.studios[2].get());
    model.pAddressedStudio = model.studios[2].get();
    StrobeData* head = PutStrobe(model.studios[2].get(), 6, std::make_unique<StrobeData>());
    StrobeData sender;
    sender.nChNum = 6;
    if (setting.member != nullptr) {
        head->*setting.member = setting.kind == SettingKind::Level ? 20 : 1 - value;
        sender.*setting.member = value;
    }

    const QByteArray echo = BuildUnitCommand(0, sender, setting.commandType);
    QCOMPARE(echo.size(), kUnitCommandLength);
    assembler.Feed(reinterpret_cast<const std::uint8_t*>(echo.constData()), int(echo.size()));

    const QList<MessageRecorder::Entry> changes = frame.only(Msg::FrameUnitSetting);
    QCOMPARE(changes.size(), setting.member ? 1 : 0); // the test flash is answered by a charge
    if (setting.member != nullptr) {
        QCOMPARE(changes[0].wParam, qintptr(setting.changeCode));
        QCOMPARE(head->*setting.member, value);
    }
}

QTEST_GUILESS_MAIN(UnitSettingsTest)
#include "tst_unitsettings.moc"
