#pragma once

#include "link/FrameWords.h"
#include "link/TrafficLog.h"

#include <QAbstractTableModel>
#include <QDockWidget>
#include <deque>

class QCheckBox;
class QComboBox;
class QTableView;

namespace lumadesk {

// The traffic log as a table: time, direction, bytes, meaning. It follows the log only when
// told to (sync), and words are made for the rows a view asks for, so a log nobody looks at
// costs nothing here. Filtered by the studio a frame went to and the head it names.
class TrafficTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { TimeColumn, DirectionColumn, BytesColumn, MeaningColumn, ColumnCount };

    explicit TrafficTableModel(const TrafficLog& log, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Drops rows the log no longer holds and adds what it recorded since the last call.
    void sync();
    // -1 for every studio or head.
    void setFilter(int studio, int channel);
    // One row as a line of text, the columns separated by tabs.
    QString lineOf(int row) const;

private:
    bool passes(const TrafficFrame& frame) const;
    QString cellText(const TrafficFrame& frame, int column) const;

    const TrafficLog& m_log;
    std::deque<quint64> m_rows; // frame numbers shown
    quint64 m_seen = 0;         // the log's end at the last sync
    int m_studio = -1;
    int m_channel = -1;
    mutable FrameWords m_words;
};

// The "Radio traffic" dock: the table, Pause, Clear, the two filters and Save as text. It holds
// the traffic log and reads it only while it is shown.
class RadioTrafficDock : public QDockWidget {
    Q_OBJECT
public:
    static constexpr int kFollowMs = 250;

    explicit RadioTrafficDock(QWidget* parent = nullptr);

    // The log the link records into; it lives as long as the dock that shows it.
    TrafficLog& log() { return m_log; }
    TrafficTableModel* tableModel() const { return m_model; }
    QTableView* table() const { return m_table; }
    // Writes the rows shown, replacing the file only once all of them are on the disk; false
    // (and a box) when the file cannot be written, the earlier file then left as it was. A link
    // at the name is replaced by the file, never written through.
    bool saveAsText(const QString& path);
    void saveChosen();
    void clear();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void follow(bool visible);
    void sync();

    TrafficLog m_log;
    TrafficTableModel* m_model;
    QTableView* m_table;
    QComboBox* m_studio;
    QComboBox* m_head;
    int m_timerId = 0;
};

} // namespace lumadesk
