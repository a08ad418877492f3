#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <QByteArray>
#include <QList>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

// Should a read block on one of the FIFOs, opens their other ends every few seconds so that
// the test fails instead of hanging.
class FifoUnblocker {
  public:
    explicit FifoUnblocker(QList<QByteArray> fifos) : fifos_(std::move(fifos)) {
        thread_ = std::thread([this] {
            std::unique_lock lock(mutex_);
            while (!done_.wait_for(lock, std::chrono::seconds(5), [this] { return finished_; })) {
                for (const QByteArray& fifo : std::as_const(fifos_)) {
                    // Succeeds only while a reader waits, and never blocks itself.
                    const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
                    if (fd >= 0) {
                        fired_ = true;
                        [[maybe_unused]] const ssize_t n = ::write(fd, "blocked", 7);
                        ::close(fd);
                    }
                }
            }
        });
    }
    ~FifoUnblocker() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        thread_.join();
    }
    bool fired() const { return fired_; }

  private:
    QList<QByteArray> fifos_;
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::atomic<bool> fired_ = false;
    std::thread thread_;
};
