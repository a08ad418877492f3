#include "platform/selection_jobs.h"

#include <algorithm>
#include <chrono>

#include "core/clipboard_secret.h"
#include "platform/x11/selection_targets.h"

namespace tavro {

namespace {

// Whether request `request` had been handled when the last handled one was `handled`
// (request numbers wrap round).
bool handledBefore(std::uint32_t handled, std::uint32_t request) {
    return static_cast<std::int32_t>(handled - request) >= 0;
}

ClipboardChange changeOfKind(ClipboardChange::Kind kind) {
    ClipboardChange change;
    change.kind = kind;
    return change;
}

}  // namespace

Millis steadyMillis() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SelectionJobQueue::ownerChanged(const OwnerChange& change, Millis now) {
    // The jobs before this change ask nothing more; a replaced owner gets a last moment to
    // finish what it is sending.
    for (Job& job : jobs_) {
        if (!job.finished && !job.replaced) {
            job.replaced = true;
            job.replacedDeadline = now + kReplacedOwnerGrace;
            job.deadline = std::min(job.deadline, job.replacedDeadline);
        }
    }
    // A request handled after the change went to the new owner (or to none): its answer
    // would not be the content of the job's change.
    for (Job& job : jobs_) {
        if (!job.finished && job.waiting &&
            !handledBefore(change.handledRequest, job.requestNumber)) {
            fail(job);
        }
    }
    // An owner that takes the clipboard again answers with what it holds now, whenever it was
    // asked: a request of its earlier change that it has not begun to answer would get this
    // change's content.
    if (change.owner != 0) {
        for (Job& job : jobs_) {
            if (!job.finished && job.waiting && !job.answering && job.owner == change.owner) {
                fail(job);
            }
        }
    }
    // An owner that went away answers nothing more. It owned the clipboard up to now, so it
    // is the owner of the newest job.
    if (change.kind == OwnerChange::Kind::OwnerGone && !jobs_.empty() && !jobs_.back().finished) {
        fail(jobs_.back());
    }

    jobs_.push_back(Job{});
    Job& job = jobs_.back();
    job.id = nextId_++;
    job.timestamp = change.timestamp;
    job.owner = change.owner;
    switch (change.kind) {
        case OwnerChange::Kind::NewOwner:
            if (change.formats) {
                takeFormats(job, *change.formats, now);
            } else {
                request(job, QString::fromLatin1(kTargetsFormat), now);
            }
            break;
        case OwnerChange::Kind::OwnWrite:
            if (change.ownText) {
                ClipboardChange own;
                own.formatMask = kFormatText;
                own.text = change.ownText;
                finish(job, std::move(own), false);
            } else {
                finish(job, std::nullopt, false);
            }
            break;
        case OwnerChange::Kind::ReportedElsewhere:
            finish(job, std::nullopt, false);
            break;
        case OwnerChange::Kind::NoOwner:
            finish(job, changeOfKind(ClipboardChange::Kind::Cleared), false);
            break;
        case OwnerChange::Kind::OwnerGone:
            finish(job, changeOfKind(ClipboardChange::Kind::OwnerGone), false);
            break;
    }
    collect();
}

void SelectionJobQueue::answered(JobId id, const std::optional<SelectionValue>& value, Millis now) {
    Job* job = find(id);
    if (job == nullptr || job->finished || !job->waiting) {
        return;
    }
    job->waiting = false;
    switch (job->step) {
        case Step::Targets:
            if (value) {
                takeFormats(*job, value->formatNames, now);
            } else {
                finishContent(*job);  // no targets: nothing known of the content
            }
            break;
        case Step::Hint: {
            const std::optional<QByteArray> bytes =
                value ? std::optional<QByteArray>(value->bytes) : std::nullopt;
            switch (secretMarkOfValue(job->format, bytes)) {
                case SecretMark::Secret:
                    finish(*job, changeOfKind(ClipboardChange::Kind::Secret), false);
                    break;
                case SecretMark::Unknown:
                    finishContent(*job);  // it may be secret: the text is not asked for
                    break;
                case SecretMark::None:
                    readHintOrText(*job, now);
                    break;
            }
            break;
        }
        case Step::Text: {
            std::optional<QString> text =
                value ? requester_.decodeText(*value, job->format) : std::nullopt;
            if (text) {
                finishContent(*job, std::move(text));
            } else {
                readNextText(*job, now);  // refused, or an encoding not read: the next target
            }
            break;
        }
    }
    collect();
}

void SelectionJobQueue::transferProgressed(JobId id, Millis now) {
    Job* job = find(id);
    if (job == nullptr || job->finished || !job->waiting) {
        return;
    }
    job->answering = true;
    job->deadline = now + kAnswerTimeout;
    if (job->replaced) {
        job->deadline = std::min(job->deadline, job->replacedDeadline);
    }
}

void SelectionJobQueue::transferFailed(JobId id) {
    Job* job = find(id);
    if (job != nullptr && !job->finished && job->waiting) {
        fail(*job);
        collect();
    }
}

void SelectionJobQueue::expire(Millis now) {
    for (Job& job : jobs_) {
        if (!job.finished && job.waiting && job.deadline <= now) {
            fail(job);
        }
    }
    collect();
}

std::optional<Millis> SelectionJobQueue::nextDeadline() const {
    std::optional<Millis> earliest;
    for (const Job& job : jobs_) {
        if (!job.finished && job.waiting && (!earliest || job.deadline < *earliest)) {
            earliest = job.deadline;
        }
    }
    return earliest;
}

bool SelectionJobQueue::isWaiting(JobId id) const {
    return std::any_of(jobs_.begin(), jobs_.end(), [id](const Job& job) {
        return job.id == id && !job.finished && job.waiting;
    });
}

std::vector<ClipboardChange> SelectionJobQueue::takeReports() {
    std::vector<ClipboardChange> reports;
    reports.swap(reports_);
    return reports;
}

void SelectionJobQueue::clear() {
    for (Job& job : jobs_) {
        if (!job.finished) {
            requester_.release(job.id, job.waiting);
        }
    }
    jobs_.clear();
    reports_.clear();
}

SelectionJobQueue::Job* SelectionJobQueue::find(JobId id) {
    for (Job& job : jobs_) {
        if (job.id == id) {
            return &job;
        }
    }
    return nullptr;
}

void SelectionJobQueue::request(Job& job, const QString& format, Millis now) {
    job.format = format;
    job.waiting = true;
    job.answering = false;
    job.deadline = now + kAnswerTimeout;
    job.requestNumber = requester_.request(job.id, format, job.timestamp);
}

void SelectionJobQueue::fail(Job& job) {
    // Past its deadline, sent to another owner, or its owner gone: whatever the step, no text
    // (and the hint's owner is not asked for the text either).
    finishContent(job);
}

void SelectionJobQueue::finish(Job& job, std::optional<ClipboardChange> report,
                               bool answerMayFollow) {
    job.finished = true;
    job.report = std::move(report);
    requester_.release(job.id, answerMayFollow);
    job.waiting = false;
}

void SelectionJobQueue::finishContent(Job& job, std::optional<QString> text) {
    ClipboardChange change;
    change.formatMask = job.formatMask;
    change.text = std::move(text);
    finish(job, std::move(change), job.waiting);
}

void SelectionJobQueue::takeFormats(Job& job, const QStringList& formats, Millis now) {
    if (marksSecretByPresence(formats)) {
        finish(job, changeOfKind(ClipboardChange::Kind::Secret), false);
        return;
    }
    // X11 names of the text formats (UTF8_STRING, ...) are offered on Wayland too.
    job.formatMask = clipboardFormatMask(x11::mimeTypesOfTargets(formats));
    job.hintsToRead = secretValueFormats(formats);
    job.textFormatsToTry = requester_.textFormatsInOrder(formats);
    readHintOrText(job, now);
}

void SelectionJobQueue::readHintOrText(Job& job, Millis now) {
    if (!job.hintsToRead.isEmpty()) {
        if (job.replaced) {
            finishContent(job);  // the hint can't be read any more: no text either
            return;
        }
        job.step = Step::Hint;
        request(job, job.hintsToRead.takeFirst(), now);
        return;
    }
    if (!takesClipboardText(job.formatMask)) {
        finishContent(job);  // only plain text alone is taken
        return;
    }
    readNextText(job, now);
}

void SelectionJobQueue::readNextText(Job& job, Millis now) {
    if (job.textFormatsToTry.isEmpty() || job.replaced) {
        finishContent(job);
        return;
    }
    job.step = Step::Text;
    request(job, job.textFormatsToTry.takeFirst(), now);
}

void SelectionJobQueue::collect() {
    while (!jobs_.empty() && jobs_.front().finished) {
        if (jobs_.front().report) {
            reports_.push_back(std::move(*jobs_.front().report));
        }
        jobs_.pop_front();
    }
}

}  // namespace tavro
