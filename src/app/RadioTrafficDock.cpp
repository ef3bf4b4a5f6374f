#include "app/RadioTrafficDock.h"

#include "app/DialogSeams.h"
#include "link/ChannelMask.h"
#include "link/FrameTypes.h"
#include "model/StrobeData.h"
#include "model/StudioModel.h"
#include "platform/MessageBox.h"
#include "platform/WholeFile.h"

#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimerEvent>
#include <QVBoxLayout>

namespace lumadesk {

namespace {

// Whether the frame names heads by a mask (the others concern the whole studio).
bool hasMask(const TrafficFrame& frame) {
    const std::uint8_t kindByte = frame.bytes[2];
    if (frame.direction == TrafficDirection::Received) {
        const int kind = ReportAssembler::KindOf(kindByte);
        return kind == kStatusReport || kind == kHeatReport || kind == kChargeReport ||
               (kind == kSettingReport && ReportType(kindByte) != LEVELS_FLASH &&
                ReportType(kindByte) != LEVELS_MODEL);
    }
    return frame.length == kUnitCommandLength || frame.length == kUnitSettingsLength;
}

QString directionText(TrafficDirection direction) {
    switch (direction) {
    case TrafficDirection::Received:
        return QStringLiteral("in");
    case TrafficDirection::Sent:
        return QStringLiteral("out");
    case TrafficDirection::NotSent:
        return QStringLiteral("out, link down");
    }
    return {};
}

} // namespace

TrafficTableModel::TrafficTableModel(const TrafficLog& log, QObject* parent)
    : QAbstractTableModel(parent), m_log(log) {}

int TrafficTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TrafficTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

bool TrafficTableModel::passes(const TrafficFrame& frame) const {
    if (m_studio >= 0 && frame.studio != m_studio)
        return false;
    if (m_channel < 0 || !hasMask(frame))
        return true;
    const std::uint16_t mask = std::uint16_t(frame.bytes[3] << 8 | frame.bytes[4]);
    return (mask & (MaskFromChannel(m_channel) | kGroupMask)) != 0;
}

void TrafficTableModel::sync() {
    std::size_t gone = 0;
    while (gone < m_rows.size() && m_rows[gone] < m_log.first())
        ++gone;
    if (gone > 0) {
        beginRemoveRows({}, 0, int(gone) - 1);
        m_rows.erase(m_rows.begin(), m_rows.begin() + std::ptrdiff_t(gone));
        endRemoveRows();
    }
    std::vector<quint64> fresh;
    for (quint64 n = std::max(m_seen, m_log.first()); n < m_log.end(); ++n) {
        if (passes(m_log.at(n)))
            fresh.push_back(n);
    }
    m_seen = m_log.end();
    if (fresh.empty())
        return;
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + fresh.size()) - 1);
    m_rows.insert(m_rows.end(), fresh.begin(), fresh.end());
    endInsertRows();
}

void TrafficTableModel::setFilter(int studio, int channel) {
    beginResetModel();
    m_studio = studio;
    m_channel = channel;
    m_rows.clear();
    m_seen = m_log.first();
    endResetModel();
    sync();
}

QString TrafficTableModel::cellText(const TrafficFrame& frame, int column) const {
    switch (column) {
    case TimeColumn:
        return QDateTime::fromMSecsSinceEpoch(frame.msecsSinceEpoch)
            .toString(QStringLiteral("HH:mm:ss.zzz"));
    case DirectionColumn:
        return directionText(frame.direction);
    case BytesColumn:
        return FrameWords::HexOf(frame.bytes.data(), frame.length);
    case MeaningColumn:
        return m_words.describe(frame.direction, frame.bytes.data(), frame.length);
    default:
        return {};
    }
}

QVariant TrafficTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const quint64 number = m_rows[std::size_t(index.row())];
    if (number < m_log.first()) // dropped since the last sync
        return {};
    return cellText(m_log.at(number), index.column());
}

QVariant TrafficTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const names[] = {"Time", "Direction", "Bytes", "Meaning"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(names[section]) : QString();
}

QString TrafficTableModel::lineOf(int row) const {
    QStringList cells;
    for (int column = 0; column < ColumnCount; ++column)
        cells.append(data(index(row, column), Qt::DisplayRole).toString());
    return cells.join(QLatin1Char('\t'));
}

RadioTrafficDock::RadioTrafficDock(QWidget* parent)
    : QDockWidget(QStringLiteral("Radio traffic"), parent),
      m_model(new TrafficTableModel(m_log, this)) {
    setObjectName(QStringLiteral("RadioTraffic"));
    setAccessibleName(windowTitle());
    auto* body = new QWidget(this);
    auto* controls = new QHBoxLayout;
    auto* pause = new QPushButton(QStringLiteral("Pause"), body);
    pause->setCheckable(true);
    auto* clearButton = new QPushButton(QStringLiteral("Clear"), body);
    auto* save = new QPushButton(QStringLiteral("Save as text..."), body);
    m_studio = new QComboBox(body);
    m_studio->addItem(QStringLiteral("All studios"), -1);
    for (int n = 0; n < kStudioCount; ++n)
        m_studio->addItem(QStringLiteral("Studio %1").arg(QChar('A' + n)), n);
    m_head = new QComboBox(body);
    m_head->addItem(QStringLiteral("All heads"), -1);
    for (int channel = 0; channel < kChannelCount; ++channel)
        m_head->addItem(ChannelLabel(channel), channel);
    pause->setAccessibleName(pause->text());
    clearButton->setAccessibleName(clearButton->text());
    save->setAccessibleName(QStringLiteral("Save as text"));
    m_studio->setAccessibleName(QStringLiteral("Studio filter"));
    m_head->setAccessibleName(QStringLiteral("Head filter"));
    for (QWidget* control : {static_cast<QWidget*>(pause), static_cast<QWidget*>(clearButton),
                             static_cast<QWidget*>(m_studio), static_cast<QWidget*>(m_head),
                             static_cast<QWidget*>(save)})
        controls->addWidget(control);
    controls->addStretch();

    m_table = new QTableView(body);
    m_table->setAccessibleName(QStringLiteral("Frames"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    m_table->setWordWrap(false);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(TrafficTableModel::TimeColumn, 90);
    m_table->setColumnWidth(TrafficTableModel::DirectionColumn, 60);
    m_table->setColumnWidth(TrafficTableModel::BytesColumn, 260);

    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(controls);
    layout->addWidget(m_table);
    setWidget(body);

    connect(pause, &QPushButton::toggled, this, [this](bool on) { m_log.setPaused(on); });
    connect(clearButton, &QPushButton::clicked, this, &RadioTrafficDock::clear);
    connect(save, &QPushButton::clicked, this, &RadioTrafficDock::saveChosen);
    const auto refilter = [this] {
        m_model->setFilter(m_studio->currentData().toInt(), m_head->currentData().toInt());
    };
    connect(m_studio, &QComboBox::currentIndexChanged, this, refilter);
    connect(m_head, &QComboBox::currentIndexChanged, this, refilter);
    connect(this, &QDockWidget::visibilityChanged, this, &RadioTrafficDock::follow);
}

void RadioTrafficDock::follow(bool visible) {
    if (visible && m_timerId == 0) {
        sync();
        m_timerId = startTimer(kFollowMs);
    } else if (!visible && m_timerId != 0) {
        killTimer(m_timerId);
        m_timerId = 0;
    }
}

void RadioTrafficDock::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_timerId)
        sync();
    else
        QDockWidget::timerEvent(event);
}

void RadioTrafficDock::sync() {
    // Keeps to the newest frame unless the operator scrolled up to read.
    QScrollBar* bar = m_table->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    m_model->sync();
    if (atEnd)
        m_table->scrollToBottom();
}

void RadioTrafficDock::clear() {
    m_log.clear();
    m_model->sync();
}

bool RadioTrafficDock::saveAsText(const QString& path) {
    m_model->sync();
    QByteArray text;
    for (int row = 0; row < m_model->rowCount(); ++row)
        text += m_model->lineOf(row).toUtf8().append('\n');
    // As set-ups are saved: a full disk leaves the earlier file whole, and says so. A link at the
    // name was answered by the replace question: the text takes its place, its target stays.
    if (SaveWholeFile(path, text, FileLinks::Replace))
        return true;
    ShowMessageBox(QStringLiteral("Fail to save file"), QString(), MessageButtons::Ok, this);
    return false;
}

void RadioTrafficDock::saveChosen() {
    const QString path = ChooseFile({FileChoice::Save, this, QStringLiteral("Save radio traffic"),
                                     QStringLiteral("Text files (*.txt)")});
    if (!path.isEmpty())
        saveAsText(path);
}

} // namespace lumadesk
