#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// The saves the crash test kills, shared by the test and the writer it
// starts: what each kind writes into its folder, and what else may stay there.
struct SaveKind
{
    QString name;
    QString folderName;  // under the test's scratch folder
    QStringList targets; // the files the writer replaces, version A then B
    QStringList allowed; // other files the save keeps there on purpose
};

inline const QVector<SaveKind> &saveKinds()
{
    static const QVector<SaveKind> kinds = {
        {"project", "project", {"work.cwpro"}, {}},
        {"list", "list", {"work.srt", "Prolist.xml"}, {}},
        {"exports", "exports", {"work.srt", "work.ass", "work.vtt", "work.lrc", "work.txt"}, {}},
        // The claim of a killed run stays; the next run takes it over.
        {"autosave", "autosave", {"recovery.srt"}, {"recovery.lock"}},
        // The settings live in "<APPDATA>/Cuewright".
        {"settings", "settings/Cuewright", {"Config.ini"}, {}},
        {"tasklist", "tasklist", {"Tasklist.xml"}, {}},
    };
    return kinds;
}

// Not one of the program's saves: a plain truncate-and-write, which the
// test must see torn, or it proves nothing.
inline const SaveKind &inPlaceControlKind()
{
    static const SaveKind kind{"inplace", "inplace", {"work.srt"}, {}};
    return kind;
}

inline const SaveKind *findSaveKind(const QString &name)
{
    for (const SaveKind &kind : saveKinds())
        if (kind.name == name)
            return &kind;
    return name == inPlaceControlKind().name ? &inPlaceControlKind() : nullptr;
}
