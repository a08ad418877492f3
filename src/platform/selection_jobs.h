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

// The reading of a clipboard that is handed over by its owner on request (X11 selections,
// Wayland data offers), one job per change, apart from the connection that carries the
// requests (so it can be driven by hand).
//
// Each change is asked for its formats when they did not come with it, then (when a secret
// hint is offered) for the hint, then for its text, one request at a time, each with a
// deadline that starts again with every piece that arrives. The changes are reported in the
// order they happened, whatever order their reads end in, each once.
//
// A request may reach whoever holds the clipboard when it is handled (X11), or nobody once
// its change was replaced (Wayland). So once a later change is known, a job asks nothing more:
// what it has then is all it gets; and a request handled after a later change (known from the
// request numbers) counts as failed. That way no report carries another change's text.
//
// The program's own writes are changes too: one is reported with the text that was written,
// in its place among the others.
namespace tavro {

using Millis = std::int64_t;
using JobId = std::uint64_t;

// The steady clock in milliseconds: the time base of every deadline here.
Millis steadyMillis();

// How long an owner may take to answer a request, or to send the next piece of a long text.
inline constexpr Millis kAnswerTimeout = 1000;
// How much longer a replaced owner may take to finish what it was sending.
inline constexpr Millis kReplacedOwnerGrace = 1000;
// The largest answer taken; a larger one counts as a failed read.
inline constexpr qsizetype kMaxSelectionBytes = qsizetype(128) << 20;
// The request that asks an owner for the formats it offers.
inline constexpr char kTargetsFormat[] = "TARGETS";

struct OwnerChange {
    enum class Kind {
        NewOwner,   // another program took the clipboard
        NoOwner,    // a program set no owner (emptied the clipboard) while it runs
        OwnerGone,  // the owner ended, and its content went with it
        OwnWrite,   // this program's own write
        // a change that another watcher reports (the echo of a change made elsewhere)
        ReportedElsewhere,
    };
    Kind kind = Kind::NewOwner;
    std::uint32_t timestamp = 0;  // the server time of the change, sent along with requests
    // The owner's window (X11); 0 when not known.
    std::uint32_t owner = 0;
    // The number of the last request of ours that had been handled when the change happened.
    std::uint32_t handledRequest = 0;
    // The formats, when the change came with them; otherwise they are asked for.
    std::optional<QStringList> formats;
    // The text of an own write; nothing: a write of the program's that no one reports.
    std::optional<QString> ownText;
};

// An owner's answer: the name of its type and its bytes; for a list of formats (the
// targets), their names.
struct SelectionValue {
    QString type;
    QByteArray bytes;
    QStringList formatNames;
};

// The side that talks to the display server, and how its formats read.
class SelectionRequester {
  public:
    virtual ~SelectionRequester() = default;
    // Asks the owner of `job`'s change for `format`; returns the request's number (they grow
    // with each request, and wrap round).
    virtual std::uint32_t request(JobId job, const QString& format, std::uint32_t timestamp) = 0;
    // The job asks and waits for nothing more. answerMayFollow: an owner may still answer a
    // request of the job (or go on sending a long text), so whatever comes must go nowhere.
    virtual void release(JobId job, bool answerMayFollow) = 0;
    // The offered formats worth asking for text, best first.
    virtual QStringList textFormatsInOrder(const QStringList& formats) const = 0;
    // The text of an answer for `format`; nullopt when its encoding is not one read here.
    virtual std::optional<QString> decodeText(const SelectionValue& value,
                                              const QString& format) const = 0;
};

class SelectionJobQueue {
  public:
    explicit SelectionJobQueue(SelectionRequester& requester) : requester_(requester) {}
    SelectionJobQueue(const SelectionJobQueue&) = delete;
    SelectionJobQueue& operator=(const SelectionJobQueue&) = delete;

    // A change of the clipboard, in the order the server reported them.
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
        std::uint32_t owner = 0;
        Step step = Step::Targets;
        bool finished = false;
        std::optional<ClipboardChange> report;  // once finished; nullopt: nothing to report
        bool waiting = false;
        bool answering = false;  // the owner has begun to send its answer in pieces
        QString format;          // of the request waiting for its answer
        std::uint32_t requestNumber = 0;
        Millis deadline = 0;
        bool replaced = false;  // a later change is known: ask nothing more
        Millis replacedDeadline = 0;
        int formatMask = kUnknownFormats;
        QStringList hintsToRead;
        QStringList textFormatsToTry;
    };

    Job* find(JobId id);
    void request(Job& job, const QString& format, Millis now);
    void fail(Job& job);
    void finish(Job& job, std::optional<ClipboardChange> report, bool answerMayFollow);
    void finishContent(Job& job, std::optional<QString> text = std::nullopt);
    void takeFormats(Job& job, const QStringList& formats, Millis now);
    void readHintOrText(Job& job, Millis now);
    void readNextText(Job& job, Millis now);
    void collect();

    SelectionRequester& requester_;
    std::deque<Job> jobs_;
    std::vector<ClipboardChange> reports_;
    JobId nextId_ = 1;
};

}  // namespace tavro
