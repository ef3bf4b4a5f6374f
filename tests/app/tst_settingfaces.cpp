#include "link/UnitSettingTable.h"
#include "panels/PanelSettingTable.h"
#include "views/GridSettingTable.h"

#include <QtTest>

using namespace lumadesk;

// The panels and the grid keep their own tables keyed by the settings table's command type: a
// setting added there must find its control and its place in the grid, or clicks and reports
// of it would be dropped without a word.
class SettingFacesTest : public QObject {
    Q_OBJECT
private slots:
    void everySettingHasItsControlAndItsPlaceInTheGrid_data();
    void everySettingHasItsControlAndItsPlaceInTheGrid();
};

void SettingFacesTest::everySettingHasItsControlAndItsPlaceInTheGrid_data() {
    QTest::addColumn<int>("command");
    for (const UnitSetting& setting : UnitSettings())
        QTest::newRow(setting.name) << int(setting.commandType);
    QCOMPARE(PanelSettings().size() + 2, UnitSettings().size()); // the levels have sliders
    QCOMPARE(GridSettings().size(), UnitSettings().size());
}

void SettingFacesTest::everySettingHasItsControlAndItsPlaceInTheGrid() {
    QFETCH(int, command);
    const UnitSetting& setting = *SettingOfCommand(command);
    const PanelSetting* panel = PanelSettingOf(setting);
    QCOMPARE(panel == nullptr, setting.kind == SettingKind::Level);
    if (panel != nullptr) {
        QCOMPARE(SettingOfButton(panel->button), &setting);
        if (panel->buttonForZero != IDC_NONE)
            QCOMPARE(SettingOfButton(panel->buttonForZero), &setting);
    }
    const GridSetting* grid = GridSettingOf(setting);
    QVERIFY(grid != nullptr);
    QCOMPARE(grid->shows == GridShows::Icon, grid->icon != HeadIcon::Count);
}

QTEST_GUILESS_MAIN(SettingFacesTest)
#include "tst_settingfaces.moc"
