#pragma once

#include <QString>

namespace lumadesk {

// Where the console keeps what it writes: its own settings (remembered layout, time-out, recent
// files) under the organisation "LumaDesk" in the user's configuration folder, and its data
// ("Option.xml", "Business Memory") in the working directory, which --data-dir may set.

// The word that names the standard data folder on the command line and in the desktop entry.
inline constexpr char kStandardDataWord[] = "standard";

// $XDG_DATA_HOME/LumaDesk (~/.local/share/LumaDesk when unset).
QString StandardDataFolder();
// The folder of the console's settings file (~/.config/LumaDesk).
QString SettingsFolder();

// Makes the folder when missing and works in it from now on. False, with the reason, when it
// cannot be made or entered; the working directory is then left as it was.
bool EnterDataFolder(const QString& folder, QString& error);

// Settings kept under the old key are moved once to the console's own file. A file already at
// the new place wins and the old one is left alone. True when a file was moved.
bool MoveOldSettings(const QString& oldOrganization, const QString& organization,
                     const QString& application);

} // namespace lumadesk
