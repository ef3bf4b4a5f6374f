#pragma once

#include "app/DialogSeams.h"
#include "link/ChannelMask.h"
#include "model/StudioModel.h"
#include "platform/PseudoTerminal.h"
#include "platform/WindowMessage.h"
#include "support/MessageRecorder.h"
#include "support/WorkingDirectory.h"

#include <QByteArray>
#include <QDialog>

namespace lumadesk {

// Answers the shell's modal dialogs for its lifetime, without a nested event loop.
class ModalAnswer {
public:
    explicit ModalAnswer(ModalRunner answer) : m_previous(SetModalRunner(std::move(answer))) {}
    ~ModalAnswer() { SetModalRunner(std::move(m_previous)); }

    static int accept(QDialog& dialog) {
        dialog.accept();
        return dialog.result();
    }
    static int reject(QDialog& dialog) {
        dialog.reject();
        return dialog.result();
    }

private:
    ModalRunner m_previous;
};

// What a scan does before heads answer, without emptying the studio: it is made current and
// the dongle is told to address its group. The select is taken off the wire, so a test reads
// only what follows. Heads answer only a group they are addressed in.
template <typename Frame> bool addressStudio(Frame& frame, PseudoTerminal& dongle, int n) {
    StudioModel& model = frame.model();
    SelectStudio(&model, model.studios[std::size_t(n)].get());
    frame.protocol().SendStudioSelect(n);
    return dongle.readExactly(5, 2000).size() == 5 &&
           model.pAddressedStudio == model.studios[std::size_t(n)].get();
}

// Report frames as a head sends them.
inline QByteArray statusReport(int channel, int flashLevel = 50) {
    const std::uint16_t mask = MaskFromChannel(channel);
    const char bytes[] = {
        '\xFF', 13, 0x01, char(mask >> 8), char(mask & 0xFF), 1, char(flashLevel), 50, 0, 0,
        0,      0,  1};
    return QByteArray(bytes, sizeof bytes);
}

inline QByteArray settingReport(int type, int channel, int lo) {
    const std::uint16_t mask = MaskFromChannel(channel);
    const char bytes[] = {'\xFF', 7,       char(0x10 | type), char(mask >> 8), char(mask & 0xFF),
                          0,      char(lo)};
    return QByteArray(bytes, sizeof bytes);
}

} // namespace lumadesk
