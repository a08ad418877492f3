#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "core/clipboard_change.h"
#include "core/clipboard_formats.h"

// The reading of the X11 clipboard, one job per change of its owner, apart from the
// connection that carries the requests (so it can be driven by hand).
//
// Each new owner is asked for its targets, then (when a secret hint is offered) for the hint,
// then for its text, one request at a time, each with a deadline. The changes are reported in
// the order they happened, whatever order their reads end in.
//
// A request goes to whoever owns the clipboard when the server handles it. So once a later
// change is known, a job asks nothing more: what it has then is all it gets. A request the
// server handled after a later change (known from the sequence numbers) was answered by the
// later owner, or by nobody, and counts as failed.
namespace tavro::x11 {

using Millis = std::int64_t;
using JobId = std::uint64_t;

// How long an owner may take to answer a request, or to send the next piece of a long text.
inline constexpr Millis kAnswerTimeout = 1000;
// How much longer a replaced owner may take to finish what it was sending.
inline constexpr Millis kReplacedOwnerGrace = 1000;
// The largest answer taken; a larger one counts as a failed read.
inline constexpr qsizetype kMaxSelectionBytes = qsizetype(128) << 20;

struct OwnerChange {
    enum class Kind {
        NewOwner,   // a window took the clipboard
        NoOwner,    // a program set no owner while it runs
        OwnerGone,  // the owner's window was destroyed or its client closed
    };
    Kind kind = Kind::NewOwner;
    bool ownWindow = false;       // the new owner is a window of this program's own
    std::uint32_t timestamp = 0;  // the server time the owner took the clipboard
    // The sequence number of the last request of ours the server had handled when the change
    // happened.
    std::uint32_t sequence = 0;
};

// An owner's answer: the name of its type and its bytes; for a list of atoms (the targets),
// their names.
struct SelectionValue {
    QString type;
    QByteArray bytes;
    QStringList atomNames;
};

// The side that talks to the X server.
class SelectionRequester {
  public:
    virtual ~SelectionRequester() = default;
    // Asks the clipboard's owner to convert it to `target` for `job`, with the time stamp of
    // the change; returns the sequence number of the request.
    virtual std::uint32_t convert(JobId job, const QString& target, std::uint32_t timestamp) = 0;
    // The job asks and waits for nothing more. answerMayFollow: an owner may still answer a
    // request of the job (or go on sending a long text), so whatever comes must go nowhere.
    virtual void release(JobId job, bool answerMayFollow) = 0;
};

class SelectionJobQueue {
  public:
    explicit SelectionJobQueue(SelectionRequester& requester) : requester_(requester) {}
    SelectionJobQueue(const SelectionJobQueue&) = delete;
    SelectionJobQueue& operator=(const SelectionJobQueue&) = delete;

    // A change of the clipboard's owner, in the order the server reported them.
    void ownerChanged(const OwnerChange& change, Millis now);
    // The answer to the job's request; nullopt when the owner refused it.
    void answered(JobId job, const std::optional<SelectionValue>& value, Millis now);
    // A piece of a long answer arrived: the owner gets a new deadline.
    void transferProgressed(JobId job, Millis now);
    // The answer could not be taken (too large, or unreadable).
    void transferFailed(JobId job);
    // Fails every request whose deadline has passed.
    void expire(Millis now);

    // The earliest deadline of a request waiting for its answer.
    std::optional<Millis> nextDeadline() const;
    // Whether the job waits for the answer to a request.
    bool isWaiting(JobId job) const;
    // The changes whose reads have ended, oldest first, each given once.
    std::vector<ClipboardChange> takeReports();
    // Forgets every job (releasing each) and every report not yet taken.
    void clear();

  private:
    enum class Step { Targets, Hint, Text };
    struct Job {
        JobId id = 0;
        std::uint32_t timestamp = 0;
        Step step = Step::Targets;
        bool finished = false;
        std::optional<ClipboardChange> report;  // once finished; nullopt: nothing to report
        bool waiting = false;
        QString target;  // of the request waiting for its answer
        std::uint32_t requestSequence = 0;
        Millis deadline = 0;
        bool replaced = false;  // a later change is known: ask nothing more
        Millis replacedDeadline = 0;
        int formatMask = kUnknownFormats;
        QStringList targets;
        QStringList hintsToRead;
        QStringList textTargetsToTry;
    };

    Job* find(JobId id);
    void request(Job& job, const QString& target, Millis now);
    void fail(Job& job);
    void finish(Job& job, std::optional<ClipboardChange> report, bool answerMayFollow);
    void finishContent(Job& job, std::optional<QString> text = std::nullopt);
    void takeTargets(Job& job, const QStringList& targets, Millis now);
    void readHintOrText(Job& job, Millis now);
    void readNextText(Job& job, Millis now);
    void collect();

    SelectionRequester& requester_;
    std::deque<Job> jobs_;
    std::vector<ClipboardChange> reports_;
    JobId nextId_ = 1;
};

}  // namespace tavro::x11
