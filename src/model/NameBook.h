#pragma once

#include <QObject>
#include <QString>

class QSettings;

namespace lumadesk {

struct StrobeData;
struct StudioModel;

// What the operator called things, kept in the console's settings so that it outlives a scan
// and the run: each head's name, its light's name and its role by studio and channel, each
// studio's name and its chosen key. It listens to the model's news, so every writer (the tree,
// a Load, undo) is remembered without calling it, and the model asks it to name a head a report
// brings in (PlaceStrobe). GUI thread only.
class NameBook : public QObject {
    Q_OBJECT
public:
    // Registers itself as the model's book and puts the remembered studio names and keys on
    // the model's studios. The settings must outlive the book.
    NameBook(StudioModel& model, QSettings& settings, QObject* parent = nullptr);
    ~NameBook() override;

    // Names a head of studio 0..4 as remembered; what was never remembered stays as it is.
    void Fill(StrobeData& unit, int studio) const;

private:
    void rememberHead(int studio, int channel);
    void rememberStudio(int studio);

    StudioModel& m_model;
    QSettings& m_settings;
};

} // namespace lumadesk
