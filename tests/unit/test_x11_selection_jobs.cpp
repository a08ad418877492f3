#include <gtest/gtest.h>

#include <vector>

#include "platform/x11/selection_jobs.h"
#include "platform/x11/selection_targets.h"

using namespace tavro;
using namespace tavro::x11;

namespace {

// Records what the queue asks of the server; requests get the sequence numbers 1, 2, ...
class FakeRequester : public SelectionRequester {
  public:
    struct Conversion {
        JobId job;
        QString target;
        std::uint32_t timestamp;
    };
    std::uint32_t convert(JobId job, const QString& target, std::uint32_t timestamp) override {
        conversions.push_back({job, target, timestamp});
        return ++sequence;
    }
    void release(JobId job, bool answerMayFollow) override {
        releases.emplace_back(job, answerMayFollow);
    }
    QStringList targetsOf(JobId job) const {
        QStringList targets;
        for (const Conversion& c : conversions) {
            if (c.job == job) {
                targets.append(c.target);
            }
        }
        return targets;
    }

    std::uint32_t sequence = 0;
    std::vector<Conversion> conversions;
    std::vector<std::pair<JobId, bool>> releases;
};

OwnerChange newOwner(std::uint32_t timestamp, std::uint32_t sequence, bool own = false) {
    OwnerChange change;
    change.kind = OwnerChange::Kind::NewOwner;
    change.timestamp = timestamp;
    change.sequence = sequence;
    change.ownWindow = own;
    return change;
}

OwnerChange ownerOfKind(OwnerChange::Kind kind, std::uint32_t sequence) {
    OwnerChange change;
    change.kind = kind;
    change.sequence = sequence;
    return change;
}

std::optional<SelectionValue> targets(const QStringList& names) {
    SelectionValue value;
    value.type = QStringLiteral("ATOM");
    value.atomNames = names;
    return value;
}

std::optional<SelectionValue> bytes(const char* type, const QByteArray& data) {
    SelectionValue value;
    value.type = QString::fromLatin1(type);
    value.bytes = data;
    return value;
}

const std::optional<SelectionValue> kRefused = std::nullopt;

}  // namespace

TEST(SelectionJobs, WhatEachOwnerIsAskedAndWhatItGives) {
    const QString hint = QStringLiteral("x-kde-passwordManagerHint");
    struct Case {
        const char* what;
        std::vector<std::optional<SelectionValue>> answers;  // in the order asked
        QStringList asked;
        ClipboardChange::Kind kind;
        int formatMask;
        std::optional<QString> text;
    };
    const Case cases[] = {
        {"UTF-8 text",
         {targets({"TARGETS", "UTF8_STRING"}), bytes("UTF8_STRING", "h\xc3\xa9llo")},
         {"TARGETS", "UTF8_STRING"},
         ClipboardChange::Kind::Content,
         kFormatText,
         QStringLiteral("h\u00e9llo")},
        {"UTF-8 refused, Latin-1 taken",
         {targets({"STRING", "UTF8_STRING", "TARGETS"}), kRefused, bytes("STRING", "caf\xe9")},
         {"TARGETS", "UTF8_STRING", "STRING"},
         ClipboardChange::Kind::Content,
         kFormatText,
         QStringLiteral("caf\u00e9")},
        {"text beside HTML is text alone",
         {targets({"text/html", "UTF8_STRING"}), bytes("UTF8_STRING", "t")},
         {"TARGETS", "UTF8_STRING"},
         ClipboardChange::Kind::Content,
         kFormatText,
         QStringLiteral("t")},
        {"an image: no text asked for",
         {targets({"TARGETS", "image/png"})},
         {"TARGETS"},
         ClipboardChange::Kind::Content,
         kFormatBitmap | kFormatDeviceIndependentBitmap,
         std::nullopt},
        {"every text target refused",
         {targets({"UTF8_STRING", "STRING"}), kRefused, kRefused},
         {"TARGETS", "UTF8_STRING", "STRING"},
         ClipboardChange::Kind::Content,
         kFormatText,
         std::nullopt},
        {"targets refused: nothing known",
         {kRefused},
         {"TARGETS"},
         ClipboardChange::Kind::Content,
         kUnknownFormats,
         std::nullopt},
        {"the secret hint: the text is never asked for",
         {targets({"TARGETS", "UTF8_STRING", hint}), bytes("x-kde-passwordManagerHint", "secret")},
         {"TARGETS", hint},
         ClipboardChange::Kind::Secret,
         0,
         std::nullopt},
        {"a hint holding something else",
         {targets({"UTF8_STRING", hint}), bytes("x-kde-passwordManagerHint", "no"),
          bytes("UTF8_STRING", "open")},
         {"TARGETS", hint, "UTF8_STRING"},
         ClipboardChange::Kind::Content,
         kFormatText,
         QStringLiteral("open")},
        {"a hint that is refused: no text",
         {targets({"UTF8_STRING", hint}), kRefused},
         {"TARGETS", hint},
         ClipboardChange::Kind::Content,
         kFormatText,
         std::nullopt},
    };
    for (const Case& c : cases) {
        FakeRequester server;
        SelectionJobQueue jobs(server);
        jobs.ownerChanged(newOwner(4242, 0), 0);
        for (const std::optional<SelectionValue>& answer : c.answers) {
            ASSERT_FALSE(server.conversions.empty()) << c.what;
            jobs.answered(server.conversions.back().job, answer, 5);
        }
        EXPECT_EQ(server.targetsOf(1), c.asked) << c.what;
        for (const FakeRequester::Conversion& conversion : server.conversions) {
            EXPECT_EQ(conversion.timestamp, 4242u) << c.what << ": the change's own time";
        }
        const std::vector<ClipboardChange> reports = jobs.takeReports();
        ASSERT_EQ(reports.size(), 1u) << c.what;
        EXPECT_EQ(reports[0].kind, c.kind) << c.what;
        if (c.kind == ClipboardChange::Kind::Content) {
            EXPECT_EQ(reports[0].formatMask, c.formatMask) << c.what;
        }
        EXPECT_EQ(reports[0].text, c.text) << c.what;
        EXPECT_FALSE(jobs.nextDeadline()) << c.what;
        ASSERT_EQ(server.releases.size(), 1u) << c.what;
        EXPECT_FALSE(server.releases[0].second) << c.what << ": every answer came";
        EXPECT_TRUE(jobs.takeReports().empty()) << c.what << ": each change is reported once";
    }
}

TEST(SelectionJobs, OwnerChangesOfEveryKind) {
    FakeRequester server;
    SelectionJobQueue jobs(server);
    jobs.ownerChanged(ownerOfKind(OwnerChange::Kind::NoOwner, 0), 0);
    jobs.ownerChanged(newOwner(7, 0, /*own=*/true), 0);
    jobs.ownerChanged(ownerOfKind(OwnerChange::Kind::OwnerGone, 0), 0);
    const std::vector<ClipboardChange> reports = jobs.takeReports();
    // The program's own write is reported by the program itself, and nobody is asked.
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].kind, ClipboardChange::Kind::Cleared);
    EXPECT_EQ(reports[1].kind, ClipboardChange::Kind::OwnerGone);
    EXPECT_TRUE(server.conversions.empty());
}

TEST(SelectionJobs, AStuckOwnerIsGivenUpAtItsDeadline) {
    // No answer to the targets: no text, and a failed format question counts as yes.
    FakeRequester server;
    SelectionJobQueue jobs(server);
    jobs.ownerChanged(newOwner(1, 0), 1000);
    EXPECT_EQ(jobs.nextDeadline(), 1000 + kAnswerTimeout);
    jobs.expire(1000 + kAnswerTimeout - 1);
    EXPECT_TRUE(jobs.takeReports().empty());
    jobs.expire(1000 + kAnswerTimeout);
    std::vector<ClipboardChange> reports = jobs.takeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].kind, ClipboardChange::Kind::Content);
    EXPECT_EQ(reports[0].formatMask, kUnknownFormats);
    EXPECT_FALSE(reports[0].text);
    // Its late answer must go nowhere, and changes nothing here.
    ASSERT_EQ(server.releases.size(), 1u);
    EXPECT_TRUE(server.releases[0].second);
    jobs.answered(1, targets({"UTF8_STRING"}), 3000);
    EXPECT_EQ(server.conversions.size(), 1u);
    EXPECT_TRUE(jobs.takeReports().empty());

    // The targets come, the text does not: the text counts as not read.
    jobs.ownerChanged(newOwner(2, 5), 5000);
    jobs.answered(2, targets({"UTF8_STRING"}), 5100);
    jobs.expire(5100 + kAnswerTimeout);
    reports = jobs.takeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].formatMask, kFormatText);
    EXPECT_FALSE(reports[0].text);
}

TEST(SelectionJobs, ALongTextKeepsComingWhileItProgresses) {
    FakeRequester server;
    SelectionJobQueue jobs(server);
    jobs.ownerChanged(newOwner(1, 0), 0);
    jobs.answered(1, targets({"UTF8_STRING"}), 10);
    for (Millis t = 500; t <= 5000; t += 500) {
        jobs.transferProgressed(1, t);
        jobs.expire(t + kAnswerTimeout - 1);
    }
    jobs.answered(1, bytes("UTF8_STRING", QByteArray(1000, 'x')), 5400);
    std::vector<ClipboardChange> reports = jobs.takeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text, QString(1000, QLatin1Char('x')));

    // Once another program has taken the clipboard, a replaced owner's transfer gets only a
    // short while more, however it progresses.
    jobs.ownerChanged(newOwner(2, 10), 10000);
    jobs.answered(2, targets({"UTF8_STRING"}), 10000);
    jobs.ownerChanged(newOwner(3, 20), 10100);  // the text request (4) was handled before
    jobs.transferProgressed(2, 10900);
    EXPECT_EQ(jobs.nextDeadline(), 10100 + kReplacedOwnerGrace);
    jobs.answered(3, targets({"image/png"}), 10950);
    jobs.expire(10100 + kReplacedOwnerGrace);
    reports = jobs.takeReports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_FALSE(reports[0].text);
    EXPECT_EQ(reports[1].formatMask, kFormatBitmap | kFormatDeviceIndependentBitmap);
}

TEST(SelectionJobs, ChangesAreReportedInTheirOrderAndNeverGetALaterText) {
    // A: an owner that answers its targets late. B: a good owner that takes over meanwhile.
    FakeRequester server;
    SelectionJobQueue jobs(server);
    jobs.ownerChanged(newOwner(100, 0), 0);  // A asks for its targets: request 1
    jobs.ownerChanged(newOwner(200, 1), 5);  // the server handled request 1 before B came
    ASSERT_EQ(server.conversions.size(), 2u);
    EXPECT_EQ(server.conversions[1].job, 2u) << "B is asked at once, A still waiting";
    jobs.answered(2, targets({"UTF8_STRING"}), 6);
    jobs.answered(2, bytes("UTF8_STRING", "b"), 7);
    EXPECT_TRUE(jobs.takeReports().empty()) << "B waits for A";
    // A's targets arrive: asking for its text now would reach B, so A is not asked.
    jobs.answered(1, targets({"UTF8_STRING"}), 300);
    EXPECT_EQ(server.targetsOf(1), QStringList{"TARGETS"});
    std::vector<ClipboardChange> reports = jobs.takeReports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].formatMask, kFormatText);
    EXPECT_FALSE(reports[0].text);
    EXPECT_EQ(reports[1].text, QStringLiteral("b"));

    // C asks for its text (request 5); the server handles D's change before it, so the answer
    // would be D's text: C gives up at once, and D's own read goes on.
    jobs.ownerChanged(newOwner(300, 3), 400);
    jobs.answered(3, targets({"UTF8_STRING"}), 401);
    ASSERT_EQ(server.sequence, 5u);
    jobs.ownerChanged(newOwner(400, 4), 402);
    reports = jobs.takeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_FALSE(reports[0].text);
    EXPECT_EQ(server.releases.back(), std::make_pair(JobId(3), true));
    jobs.answered(3, bytes("UTF8_STRING", "d"), 403);  // D's text, answered to C: dropped
    jobs.answered(4, targets({"UTF8_STRING"}), 404);
    jobs.answered(4, bytes("UTF8_STRING", "d"), 405);
    reports = jobs.takeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text, QStringLiteral("d"));

    // The program's own write stops an earlier read just like another program's.
    jobs.ownerChanged(newOwner(500, 7), 500);  // request 8
    jobs.ownerChanged(newOwner(600, 8, /*own=*/true), 501);
    jobs.answered(5, targets({"UTF8_STRING"}), 502);
    reports = jobs.takeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_FALSE(reports[0].text);
}

TEST(SelectionJobs, AnOwnerThatEndsIsNotWaitedFor) {
    FakeRequester server;
    SelectionJobQueue jobs(server);
    jobs.ownerChanged(newOwner(1, 0), 0);
    jobs.answered(1, targets({"UTF8_STRING"}), 1);
    // The owner ends before it sends the text: the read ends now, not at its deadline.
    jobs.ownerChanged(ownerOfKind(OwnerChange::Kind::OwnerGone, 2), 2);
    const std::vector<ClipboardChange> reports = jobs.takeReports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].kind, ClipboardChange::Kind::Content);
    EXPECT_FALSE(reports[0].text);
    EXPECT_EQ(reports[1].kind, ClipboardChange::Kind::OwnerGone);
    EXPECT_FALSE(jobs.nextDeadline());
}

TEST(SelectionTargets, NamesAndEncodings) {
    EXPECT_EQ(mimeTypesOfTargets({"TARGETS", "UTF8_STRING", "STRING", "PIXMAP", "text/html"}),
              (QStringList{"TARGETS", "text/plain", "application/x-qt-image", "text/html"}));
    EXPECT_EQ(
        textTargetsInOrder({"text/plain", "STRING", "TEXT", "text/plain;charset=UTF-8",
                            "UTF8_STRING", "image/png"}),
        (QStringList{"UTF8_STRING", "text/plain;charset=UTF-8", "STRING", "TEXT", "text/plain"}));
    struct Case {
        const char* type;
        const char* target;
        QByteArray bytes;
        std::optional<QString> text;
    };
    const Case cases[] = {
        {"UTF8_STRING", "UTF8_STRING", "\xe3\x81\x82", QStringLiteral("\u3042")},
        {"STRING", "STRING", "\xe9", QStringLiteral("\u00e9")},
        {"COMPOUND_TEXT", "TEXT", "plain", QStringLiteral("plain")},
        {"COMPOUND_TEXT", "TEXT", "\x1b$)A\xb0\xa1", std::nullopt},  // a set switch: not read
        {"text/plain;charset=utf-8", "text/plain;charset=utf-8", "x", QStringLiteral("x")},
        // An answer whose type names no encoding is taken as the target asked for.
        {"weird", "UTF8_STRING", "\xc3\xa9", QStringLiteral("\u00e9")},
        {"weird", "TEXT", "x", std::nullopt},
        {"UTF8_STRING", "UTF8_STRING", QByteArray("a\0", 2), QStringLiteral("a")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decodeSelectionText(QString::fromLatin1(c.type), QString::fromLatin1(c.target),
                                      c.bytes),
                  c.text)
            << c.type << " / " << c.target;
    }
}
