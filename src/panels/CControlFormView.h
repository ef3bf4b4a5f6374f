#pragma once

#include "model/LinkedValues.h"
#include "panels/PowerGroups.h"
#include "ui/CFormPane.h"

#include <QPointer>
#include <array>
#include <functional>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace lumadesk {

class CZbProtocol;
class OperatorActions;
struct HeadSnapshot;
struct StrobeData;
struct StudioModel;
struct XmlFileContext;

class CControlSelFormView;
class ConfirmationMark;

// What the remote control panel takes from the main frame; it owns none of it. The panes are
// looked up at each use, as the frame finds them by splitter row and column.
struct ControlPanelLinks {
    QObject* frame = nullptr;
    StudioModel* model = nullptr;
    CZbProtocol* protocol = nullptr;
    XmlFileContext* files = nullptr;
    std::function<QObject*()> navigationPane;
    std::function<QObject*()> studioListPane;
    OperatorActions* actions = nullptr; // where every change goes out (and becomes a step)
};

// The remote control panel, right in the main window's inner splitter. It shows the selected
// unit and changes it (the record first, then the head, then the navigation pane is told), or,
// switched by its combo box, shows the selected-units panel in place of its power controls. It
// also hosts the stored set-ups ("Business Memory"). Every edit resolves the selected unit
// again and does nothing without one.
class CControlFormView : public CFormPane {
    Q_OBJECT
public:
    static constexpr int kDialogWidth = 205;
    static constexpr int kDialogHeight = 230;

    explicit CControlFormView(QWidget* parent = nullptr);
    ~CControlFormView() override;

    // Once, when the frame has its model, protocol and file context: takes them and lists the
    // stored set-ups.
    void OnInitialUpdate(const lumadesk::ControlPanelLinks& links);

    int mode() const { return m_mode; }

    // Marks beside the value fields whether the selected unit's levels are confirmed.
    void ShowConfirmation();
    // The line beside the caption: the current head ("CH-02 Key light"), or in the group mode
    // the ticked heads ("Offsets for CH-01, CH-03 (2 heads)", "No heads ticked: tick heads in
    // the grid").
    QString headLine() const;
    // "Keep ratios" of the selected-units mode, which the window remembers.
    QCheckBox* keepRatiosBox() const { return m_keepRatios; }
    // The file-name box, for the window's Ctrl+S that asks for a name when it is empty.
    QString setupName() const;
    void setSetupName(const QString& name);
    // Lists the set-ups again and previews the one of the name, as a click on it does.
    void previewSetup(const QString& name);
    // The information box's text as the preview made it (CR LF line ends).
    QString fileInfo() const { return m_fileInfo; }

protected:
    void customEvent(QEvent* event) override;

private:
    enum class Enabling { AllOff, AllOn, PowerOff, ByPower, OwnShown, SelectionShown };
    class FileList;

    void createControls();
    void SetControls(Enabling code);
    StrobeData* selectedUnit() const;
    QObject* navigationPane() const;
    // Sends the stored change, tells the grid, and notes it as one step from before.
    void sendAndPost(StrobeData* unit, int type, const HeadSnapshot& before);

    void Reset();
    void ShowUnit();
    // A status of the current head: shown on the frame clock, and only when the news said
    // a value of it moved.
    void showStatus();
    void onHeadChanged(int studio, int channel, quint32 mask);
    // What Reset shows, with the controls that act on a head disabled; the mode stays.
    void ShowNoUnit();
    void showHeadLine();
    void RefreshItem(int code);
    void showLevels(const StrobeData& unit);
    // A switch as the record holds it, on its control; one that gates the others sets them.
    void showSwitch(const UnitSetting& setting, int value);
    void showFlashLevel();
    void showModelLevel();

    // The two levels as one linked pair; what moved is shown and, given a record, stored.
    LinkedValues linkedLevels() const;
    void showLinked(const LinkedValues& levels, LinkedValues::Moved moved, StrobeData* store);
    void OnSpinStep(bool flash, int change);
    void OnSliderRelease(bool flash);
    void OnSliderDrag(bool flash, int position);
    void OnTypedLevel(bool flash, int level);
    void OnButton(int id, bool checked);
    void OnModeChange(int selection);
    void OnPreview(QTreeWidgetItem* item);
    void OnSave();
    void OnApply();

    // Panel state: copies of the shown unit.
    int m_mode = 0;
    quint32 m_moved = 0; // what the news said moved of the current head since it was shown
    int m_flashLevel = 11;
    int m_modelLevel = 11;

    lumadesk::ControlPanelLinks m_links;
    QString m_fileInfo;
    std::unique_ptr<FileList> m_fileSink;

    QComboBox* m_combo = nullptr;
    QCheckBox* m_keepRatios = nullptr;
    QLabel* m_headLine = nullptr;
    ConfirmationMark* m_flashMark = nullptr;
    ConfirmationMark* m_modelMark = nullptr;
    lumadesk::PowerGroupControls m_groups;
    QTreeWidget* m_fileList = nullptr;
    QLineEdit* m_fileName = nullptr;
    QPlainTextEdit* m_infoBox = nullptr;
    lumadesk::CControlSelFormView* m_selection = nullptr;
    std::array<QWidget*, 16> m_powerControls{};
};

} // namespace lumadesk
