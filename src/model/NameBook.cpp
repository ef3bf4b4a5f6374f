#include "model/NameBook.h"

#include "model/HeadRole.h"
#include "model/StudioModel.h"

#include <QSettings>

namespace lumadesk {

namespace {

QString studioKey(int studio) {
    return QStringLiteral("Names/Studio%1").arg(studio + 1);
}

QString headKey(int studio, int channel) {
    return QStringLiteral("%1/%2").arg(studioKey(studio), ChannelLabel(channel));
}

} // namespace

NameBook::NameBook(StudioModel& model, QSettings& settings, QObject* parent)
    : QObject(parent), m_model(model), m_settings(settings) {
    m_model.pNameBook = this;
    for (int n = 0; n < kStudioCount; ++n) {
        StudioData& studio = *m_model.studios[std::size_t(n)];
        const QString name = m_settings.value(studioKey(n) + QStringLiteral("/name")).toString();
        if (!name.trimmed().isEmpty())
            studio.sStudioName = name;
        bool ok = false;
        const int key = m_settings.value(studioKey(n) + QStringLiteral("/key"), -1).toInt(&ok);
        studio.nKeyChannel = ok && key >= -1 && key < kChannelCount ? key : -1;
    }
    connect(&m_model.news, &ModelNews::headChanged, this,
            [this](int studio, int channel, quint32 mask) {
                if ((mask & kNamesMask) != 0)
                    rememberHead(studio, channel);
            });
    connect(&m_model.news, &ModelNews::studioRenamed, this, &NameBook::rememberStudio);
    connect(&m_model.news, &ModelNews::keyChanged, this, &NameBook::rememberStudio);
}

NameBook::~NameBook() {
    if (m_model.pNameBook == this)
        m_model.pNameBook = nullptr;
}

void NameBook::Fill(StrobeData& unit, int studio) const {
    const QString key = headKey(studio, unit.nChNum);
    if (const QVariant head = m_settings.value(key + QStringLiteral("/head")); head.isValid())
        unit.sModelName = head.toString();
    if (const QVariant light = m_settings.value(key + QStringLiteral("/light")); light.isValid())
        unit.sLightName = light.toString();
    if (const auto role = RoleFromText(m_settings.value(key + QStringLiteral("/role")).toString()))
        unit.nRole = int(*role);
}

void NameBook::rememberHead(int studio, int channel) {
    const StudioData* shown = m_model.StudioByNumber(studio);
    const StrobeData* unit = shown != nullptr ? shown->UnitOn(channel) : nullptr;
    if (unit == nullptr)
        return;
    const QString key = headKey(studio, channel);
    m_settings.setValue(key + QStringLiteral("/head"), unit->sModelName);
    m_settings.setValue(key + QStringLiteral("/light"), unit->sLightName);
    m_settings.setValue(key + QStringLiteral("/role"), RoleText(RoleOf(*unit)));
}

void NameBook::rememberStudio(int studio) {
    const StudioData* shown = m_model.StudioByNumber(studio);
    if (shown == nullptr)
        return;
    m_settings.setValue(studioKey(studio) + QStringLiteral("/name"), shown->sStudioName);
    m_settings.setValue(studioKey(studio) + QStringLiteral("/key"), shown->nKeyChannel);
}

} // namespace lumadesk
