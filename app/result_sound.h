// The result sound of a job, played without waiting for it.
#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class QSoundEffect;

class ResultSound : public QObject {
  public:
    using QObject::QObject;

    // Starts playing the WAV file at `path` and returns at once. A missing
    // file, one that does not decode, or no audio device means silence.
    void Play(const QString& path);

  private:
    QHash<QString, QSoundEffect*> effects_;  // children of this object
};
