#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

// Only one copy of the program runs per user and program folder. The lock is a file in the
// user's runtime or temporary folder; a lock left by a crashed run is taken over.
namespace tavro {

class SingleInstance {
  public:
    explicit SingleInstance(const QString& programFolder);

    // True when this process holds the lock; false when another copy runs.
    bool acquire();

    QString lockFilePath() const { return lockFilePath_; }

  private:
    QString lockFilePath_;
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace tavro
