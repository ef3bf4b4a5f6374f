#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace lumadesk {

class PhoneRemote;

// Tools > Phone remote...: the switch, the addresses to open with a QR code of the first, the
// pairing code and the paired phones with "Forget all". Follows the server while it is open.
class PhoneRemoteDialog : public QDialog {
    Q_OBJECT
public:
    PhoneRemoteDialog(PhoneRemote& remote, QWidget* parent = nullptr);

    // Shows what the server holds now.
    void refresh();

private:
    void onSwitch(bool on);

    PhoneRemote& m_remote;
    QCheckBox* m_switch;
    QLabel* m_problem;
    QLabel* m_addresses;
    QLabel* m_qr;
    QLabel* m_code;
    QLabel* m_codeHint;
    QLabel* m_phonesTitle;
    QListWidget* m_phones;
    QPushButton* m_forget;
};

} // namespace lumadesk
