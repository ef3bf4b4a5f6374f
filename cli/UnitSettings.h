#pragma once

#include "model/StrobeData.h"

#include <QString>

// The settings `set` can change, with the unit command that carries each and the change code
// its echo comes back with.
enum class SettingKind { Level, Switch, Trigger };

struct UnitSetting {
    const char* name; // as the operator writes it
    SettingKind kind;
    int commandType;        // unit command type
    int echoCode;           // change code of the head's echo
    int StrobeData::*field; // the record member; null for the test flash
    const char* offWord;    // switch words for 0 and 1
    const char* onWord;
};

// The setting of that name, or null.
const UnitSetting* FindSetting(const QString& name);

// "flash, model, cell, ..." for messages and help.
QString SettingNames();

// A switch value as the operator writes it ("on", "prop", "continuous", ...).
QString SwitchWord(const UnitSetting& setting, int value);

// The setting stored in that record member, or null (&StrobeData::bFlashCell gives cell).
const UnitSetting* SettingOfField(int StrobeData::*field);

// A level written "4.5" (or "4") in tenths, when it lies in 1.1..8.1; -1 otherwise.
int ParseLevel(const QString& text);

// "4.5" for 45: the console's "%d.%d".
QString LevelText(int tenths);
