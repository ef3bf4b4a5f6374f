#include "app/PhoneRemoteDialog.h"

#include "app/PhoneRemote.h"
#include "app/QrCodeImage.h"
#include "remote/RemoteServer.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace lumadesk {

namespace {

constexpr int kQrPixels = 180;

QLabel* named(QLabel* label, const QString& name) {
    label->setAccessibleName(name);
    label->setTextFormat(Qt::PlainText); // addresses and reasons are shown as they are
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}

} // namespace

PhoneRemoteDialog::PhoneRemoteDialog(PhoneRemote& remote, QWidget* parent)
    : QDialog(parent), m_remote(remote),
      m_switch(new QCheckBox(QStringLiteral("Serve the phone remote"), this)),
      m_problem(named(new QLabel(this), QStringLiteral("Problem"))),
      m_addresses(named(new QLabel(this), QStringLiteral("Addresses to open"))),
      m_qr(new QLabel(this)), m_code(named(new QLabel(this), QStringLiteral("Pairing code"))),
      m_codeHint(new QLabel(this)), m_phonesTitle(new QLabel(this)),
      m_phones(new QListWidget(this)),
      m_forget(new QPushButton(QStringLiteral("Forget all"), this)) {
    setWindowTitle(QStringLiteral("Phone remote"));
    m_switch->setAccessibleName(QStringLiteral("Serve the phone remote"));
    m_switch->setToolTip(
        QStringLiteral("Phones on this network open the page below and pair with the code"));
    m_problem->setWordWrap(true);
    m_problem->setVisible(false);
    m_qr->setAccessibleName(QStringLiteral("QR code"));
    m_qr->setFixedSize(kQrPixels, kQrPixels);
    m_qr->setAlignment(Qt::AlignCenter);
    QFont big = m_code->font();
    big.setPointSizeF(big.pointSizeF() * 2.2);
    big.setBold(true);
    big.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    m_code->setFont(big);
    m_codeHint->setWordWrap(true);
    m_codeHint->setText(QStringLiteral("Type this code on the phone to pair it. A new code is "
                                       "made each time the remote is switched on."));
    m_phones->setAccessibleName(QStringLiteral("Paired phones"));
    m_phones->setMaximumHeight(96);
    m_forget->setAccessibleName(QStringLiteral("Forget all"));
    m_forget->setToolTip(QStringLiteral("Every phone must pair again"));

    auto* codeColumn = new QVBoxLayout;
    codeColumn->addWidget(new QLabel(QStringLiteral("Pairing code"), this));
    codeColumn->addWidget(m_code);
    codeColumn->addWidget(m_codeHint);
    codeColumn->addStretch();
    auto* middle = new QHBoxLayout;
    middle->addWidget(m_qr);
    middle->addLayout(codeColumn, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_switch);
    layout->addWidget(m_problem);
    layout->addWidget(m_addresses);
    layout->addLayout(middle);
    layout->addWidget(m_phonesTitle);
    layout->addWidget(m_phones);
    layout->addWidget(m_forget, 0, Qt::AlignLeft);
    layout->addWidget(buttons);
    setMinimumWidth(460);

    connect(m_switch, &QCheckBox::toggled, this, &PhoneRemoteDialog::onSwitch);
    connect(m_forget, &QPushButton::clicked, this, [this] {
        m_remote.server().forgetAll();
        refresh();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    RemoteServer* server = &m_remote.server();
    connect(server, &RemoteServer::runningChanged, this, &PhoneRemoteDialog::refresh);
    connect(server, &RemoteServer::pairedChanged, this, &PhoneRemoteDialog::refresh);
}

void PhoneRemoteDialog::onSwitch(bool on) {
    m_remote.switchOn(on, nullptr); // a failure shows in the refresh
    refresh();
}

void PhoneRemoteDialog::refresh() {
    RemoteServer& server = m_remote.server();
    const bool on = server.isRunning();
    {
        const QSignalBlocker quiet(m_switch);
        m_switch->setChecked(on);
    }
    // A remembered switch that could not start at launch says why here.
    const QString why = on ? QString() : m_remote.problem();
    m_problem->setText(QStringLiteral("The remote could not start: %1").arg(why));
    m_problem->setVisible(!why.isEmpty());
    QStringList lines;
    for (const QUrl& url : server.pageAddresses())
        lines << url.toString();
    m_addresses->setText(on ? QStringLiteral("Open on the phone:\n") + lines.join(QLatin1Char('\n'))
                            : QStringLiteral("The remote is off: nothing is served."));
    const QImage qr = on && !lines.isEmpty() ? QrCodeImage(lines.front()) : QImage();
    m_qr->setVisible(!qr.isNull());
    if (!qr.isNull()) {
        m_qr->setPixmap(QPixmap::fromImage(
            qr.scaled(kQrPixels, kQrPixels, Qt::KeepAspectRatio, Qt::FastTransformation)));
        m_qr->setAccessibleDescription(QStringLiteral("QR code of %1").arg(lines.front()));
    }
    m_code->setText(on ? server.pairingCode() : QStringLiteral("------"));
    m_code->setEnabled(on);
    m_codeHint->setVisible(on);

    const QList<PairedPhone> phones = server.pairedPhones();
    m_phonesTitle->setText(phones.isEmpty()
                               ? QStringLiteral("No phone is paired.")
                               : QStringLiteral("Paired phones (%1):").arg(phones.size()));
    m_phones->clear();
    const QLocale locale;
    auto when = [&locale](const QDateTime& at) {
        return locale.toString(at.toLocalTime(), QLocale::ShortFormat);
    };
    for (const PairedPhone& phone : phones) {
        // Phones paired before the console kept sightings say only when they paired.
        m_phones->addItem(
            phone.lastSeen.isValid()
                ? QStringLiteral("%1, last seen %2").arg(phone.label, when(phone.lastSeen))
                : QStringLiteral("%1, paired %2").arg(phone.label, when(phone.pairedAt)));
    }
    m_phones->setVisible(!phones.isEmpty());
    m_forget->setEnabled(!phones.isEmpty());
}

} // namespace lumadesk
