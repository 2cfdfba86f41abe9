#pragma once

#include "PlayerTestMedia.h"
#include "ShellFixture.h"

#include "views/MediaPlayer.h"

#include <QTemporaryDir>
#include <QTest>

// Player tests play real media through libmpv with neither picture nor
// sound, made once per run.
class PlayerFixture : public ShellFixture
{
protected:
    // Each made on first use, once per run.
    struct Media
    {
        QTemporaryDir dir;
        // 10 s, 640x360 at 25 frames a second, with sound.
        QString clip() const
        {
            static const QString path = PlayerTestMedia::clip(dir.path());
            return path;
        }
        // 10 s, 16 kHz mono WAV.
        QString tone() const
        {
            static const QString path = PlayerTestMedia::tone(dir.path());
            return path;
        }
        // Named .mp4, holds text.
        QString garbage() const
        {
            static const QString path = PlayerTestMedia::garbage(dir.path());
            return path;
        }
    };

    static const Media &media()
    {
        static const Media made;
        return made;
    }

    static MediaPlayer::Options quiet(bool untimed = false)
    {
        MediaPlayer::Options options;
        options.nullVideo = true;
        options.nullAudio = true;
        options.untimed = untimed;
        return options;
    }

    template <typename Predicate> static bool waitFor(Predicate predicate, int milliseconds = 10000)
    {
        return QTest::qWaitFor(predicate, milliseconds);
    }
};
