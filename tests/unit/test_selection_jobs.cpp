#include <gtest/gtest.h>

#include <vector>

#include <random>

#include "platform/selection_jobs.h"
#include "platform/x11/selection_targets.h"

using namespace tavro;
using namespace tavro::x11;

namespace {

// Records what the queue asks of the server; requests get the numbers 1, 2, ... Formats
// read as on X11.
class FakeRequester : public SelectionRequester {
  public:
    struct Conversion {
        JobId job;
        QString target;
        std::uint32_t timestamp;
    };
    std::uint32_t request(JobId job, const QString& target, std::uint32_t timestamp) override {
        conversions.push_back({job, target, timestamp});
        return ++sequence;
    }
    QStringList textFormatsInOrder(const QStringList& formats) const override {
        return textTargetsInOrder(formats);
    }
    std::optional<QString> decodeText(const SelectionValue& value,
                                      const QString& format) const override {
        return decodeSelectionText(value.type, format, value.bytes);
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

OwnerChange newOwner(std::uint32_t timestamp, std::uint32_t handled, bool own = false) {
    OwnerChange change;
    change.kind = own ? OwnerChange::Kind::OwnWrite : OwnerChange::Kind::NewOwner;
    change.timestamp = timestamp;
    change.handledRequest = handled;
    return change;
}

OwnerChange ownerOfKind(OwnerChange::Kind kind, std::uint32_t handled) {
    OwnerChange change;
    change.kind = kind;
    change.handledRequest = handled;
    return change;
}

std::optional<SelectionValue> targets(const QStringList& names) {
    SelectionValue value;
    value.type = QStringLiteral("ATOM");
    value.formatNames = names;
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
    OwnerChange own = newOwner(7, 0, /*own=*/true);
    own.ownText = QStringLiteral("mine");
    jobs.ownerChanged(own, 0);
    jobs.ownerChanged(newOwner(8, 0, /*own=*/true), 0);  // a write no one announced
    jobs.ownerChanged(ownerOfKind(OwnerChange::Kind::ReportedElsewhere, 0), 0);
    jobs.ownerChanged(ownerOfKind(OwnerChange::Kind::OwnerGone, 0), 0);
    // Wayland: the formats come with the change; the secret hint is read, the text never.
    OwnerChange offer = newOwner(0, 0);
    offer.formats = QStringList{"text/plain;charset=utf-8", "x-kde-passwordManagerHint"};
    jobs.ownerChanged(offer, 0);
    jobs.answered(6, bytes("x-kde-passwordManagerHint", "secret"), 1);
    const std::vector<ClipboardChange> reports = jobs.takeReports();
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[0].kind, ClipboardChange::Kind::Cleared);
    EXPECT_EQ(reports[1].text, QStringLiteral("mine")) << "the own write, with its text";
    EXPECT_EQ(reports[1].formatMask, kFormatText);
    EXPECT_EQ(reports[2].kind, ClipboardChange::Kind::OwnerGone);
    EXPECT_EQ(reports[3].kind, ClipboardChange::Kind::Secret);
    EXPECT_EQ(server.targetsOf(6), QStringList{"x-kde-passwordManagerHint"});
    EXPECT_EQ(server.conversions.size(), 1u) << "nothing else is asked of anyone";
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

    // The program's own write stops an earlier read just like another program's, and waits
    // for it: an owner answering each request after 400 ms, recalled over 100 ms after the
    // copy.
    jobs.ownerChanged(newOwner(500, 7), 500);  // request 8
    OwnerChange own = newOwner(600, 8, /*own=*/true);
    own.ownText = QStringLiteral("saved-one");
    jobs.ownerChanged(own, 600);
    EXPECT_TRUE(jobs.takeReports().empty()) << "the own write waits for the slow read";
    jobs.answered(5, targets({"UTF8_STRING"}), 900);
    reports = jobs.takeReports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_FALSE(reports[0].text) << "the slow owner's text is not asked of the program";
    EXPECT_EQ(reports[1].text, QStringLiteral("saved-one"));

    // A window that takes the clipboard again answers with what it holds then, however early
    // it was asked: E's text request, handled before F came from the same window, would get
    // F's text, so E gives up. A long text it has begun to send is the one it was asked for.
    const auto sameWindow = [&](std::uint32_t timestamp) {
        OwnerChange change = newOwner(timestamp, server.sequence);
        change.owner = 42;
        return change;
    };
    jobs.ownerChanged(sameWindow(700), 1000);  // E
    jobs.answered(7, targets({"UTF8_STRING"}), 1001);
    jobs.ownerChanged(sameWindow(800), 1002);  // F
    reports = jobs.takeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_FALSE(reports[0].text) << "E's request went to the window that now holds F";
    jobs.answered(7, bytes("UTF8_STRING", "f"), 1003);
    jobs.answered(8, targets({"UTF8_STRING"}), 1004);
    jobs.transferProgressed(8, 1005);          // F's text comes in pieces
    jobs.ownerChanged(sameWindow(900), 1006);  // G
    jobs.answered(8, bytes("UTF8_STRING", "f"), 1007);
    reports = jobs.takeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text, QStringLiteral("f"));
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

// A model of the server, the owners and the reader, driven in every order a seeded random
// schedule picks: changes (other programs' and the program's own), requests handled by the
// server at any moment, owners answering late or never, answers and change events arriving in
// the order the server sent them, deadlines passing. Whatever the timing, each change is
// reported once, in its place, and a report's text is that change's own text or none.
TEST(SelectionJobs, NoReportCarriesAnotherChangesTextUnderAnyTiming) {
    struct Model : SelectionRequester {
        struct Pending {
            JobId job;
            QString format;
        };
        struct Answer {
            JobId job;
            QString format;
            int owner;
        };
        struct Arrival {
            bool isChange;
            OwnerChange change;  // when isChange
            Answer answer;
        };
        std::uint32_t requested = 0;
        std::uint32_t handled = 0;
        int owner = -1;
        std::deque<Pending> unhandled;   // sent, not yet handled by the server
        std::vector<Answer> withOwners;  // handled, the owner has not answered yet
        std::deque<Arrival> toReader;    // in the order the server sent them
        std::uint32_t request(JobId job, const QString& format, std::uint32_t) override {
            unhandled.push_back({job, format});
            return ++requested;
        }
        void release(JobId, bool) override {}
        QStringList textFormatsInOrder(const QStringList& formats) const override {
            return textTargetsInOrder(formats);
        }
        std::optional<QString> decodeText(const SelectionValue& value,
                                          const QString& format) const override {
            return decodeSelectionText(value.type, format, value.bytes);
        }
    };
    const auto textOf = [](int change, bool own) {
        return QStringLiteral("%1%2").arg(own ? "own" : "text").arg(change);
    };
    std::mt19937 random(20261207);
    for (int round = 0; round < 3000; ++round) {
        Model server;
        SelectionJobQueue jobs(server);
        const int changes = 2 + int(random() % 5);
        std::vector<bool> own;
        Millis now = 0;
        std::vector<ClipboardChange> reports;
        for (int step = 0; step < 400; ++step) {
            now += 1 + int(random() % 200);
            switch (random() % 5) {
                case 0:  // the next change happens at the server
                    if (int(own.size()) < changes) {
                        const int index = int(own.size());
                        own.push_back(random() % 3 == 0);
                        server.owner = index;
                        OwnerChange change = newOwner(index, server.handled, own.back());
                        if (own.back()) {
                            change.ownText = textOf(index, true);
                        }
                        server.toReader.push_back({true, change, {}});
                    }
                    break;
                case 1:  // the server handles the oldest request: it reaches today's owner
                    if (!server.unhandled.empty()) {
                        ++server.handled;
                        const Model::Pending pending = server.unhandled.front();
                        server.unhandled.pop_front();
                        server.withOwners.push_back({pending.job, pending.format, server.owner});
                    }
                    break;
                case 2:  // an owner answers one of its requests, perhaps long after
                    if (!server.withOwners.empty()) {
                        const size_t which = random() % server.withOwners.size();
                        server.toReader.push_back({false, {}, server.withOwners[which]});
                        server.withOwners.erase(server.withOwners.begin() + long(which));
                    }
                    break;
                case 3:  // the reader takes the next event
                    if (!server.toReader.empty()) {
                        const Model::Arrival arrival = server.toReader.front();
                        server.toReader.pop_front();
                        if (arrival.isChange) {
                            jobs.ownerChanged(arrival.change, now);
                        } else {
                            const Model::Answer& a = arrival.answer;
                            const bool ownOwner = a.owner >= 0 && own[size_t(a.owner)];
                            if (a.format == QLatin1String("TARGETS")) {
                                jobs.answered(a.job, targets({"TARGETS", "UTF8_STRING"}), now);
                            } else {
                                jobs.answered(
                                    a.job, bytes("UTF8_STRING", textOf(a.owner, ownOwner).toUtf8()),
                                    now);
                            }
                        }
                    }
                    break;
                case 4:
                    jobs.expire(now);
                    break;
            }
            for (ClipboardChange& report : jobs.takeReports()) {
                reports.push_back(std::move(report));
            }
        }
        // Everything still on its way arrives; what never came is given up.
        while (!server.toReader.empty()) {
            const Model::Arrival arrival = server.toReader.front();
            server.toReader.pop_front();
            if (arrival.isChange) {
                jobs.ownerChanged(arrival.change, now);
            }
        }
        jobs.expire(now + 10 * kAnswerTimeout);
        for (ClipboardChange& report : jobs.takeReports()) {
            reports.push_back(std::move(report));
        }
        ASSERT_EQ(reports.size(), own.size()) << "round " << round;
        for (size_t i = 0; i < reports.size(); ++i) {
            if (own[i]) {
                EXPECT_EQ(reports[i].text, textOf(int(i), true)) << "round " << round;
            } else if (reports[i].text) {
                EXPECT_EQ(*reports[i].text, textOf(int(i), false)) << "round " << round;
            }
        }
    }
}
