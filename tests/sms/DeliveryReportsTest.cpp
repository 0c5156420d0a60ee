#include "DeliveryReports.h"

#include <gtest/gtest.h>

namespace {

smsrules::DeliveryReport report(int reference, const char *number, int outcome)
{
    smsrules::DeliveryReport r;
    r.valid = true;
    r.reference = reference;
    r.number = number;
    r.delivered = outcome == 0;
    r.final = outcome != 2; // 0 delivered, 1 failed, 2 still trying
    r.status = outcome == 0 ? "delivered" : outcome == 1 ? "validity period expired" : "congestion";
    r.time = "12/08/26 10:0" + std::to_string(reference % 10) + ":05 (GMT+2)";
    return r;
}

} // namespace

TEST(DeliveryReports, MatchesReportsToSentMessages)
{
    struct Fed
    {
        int reference, outcome;
        const char *number = "+12025550143"; // where the message went
    };
    const struct
    {
        const char *name;
        std::vector<int> references; // of the message sent to +12025550143
        std::vector<Fed> before;     // reports that overtake the send's confirmation
        std::vector<Fed> after;
        std::string state;                  // of the message at the end
        int logged;                         // log entries made
        const char *typed = "+12025550143"; // the number as the operator wrote it
    } rows[] = {
        {"single part", {7}, {}, {{7, 0}}, "delivered 10:07", 1},
        {"no report yet", {7}, {}, {}, "waiting", 0},
        {"still trying is no answer", {7}, {}, {{7, 2}}, "waiting", 0},
        {"all parts delivered", {7, 8, 9}, {}, {{9, 0}, {7, 0}, {8, 0}}, "delivered 10:08", 1},
        {"parts outstanding", {7, 8}, {}, {{7, 0}}, "waiting", 0},
        {"part failed", {7, 8}, {}, {{7, 0}, {8, 1}}, "not delivered: validity period expired", 1},
        {"same reference, other number", {7}, {}, {{7, 0, "+447700900123"}}, "waiting", 0},
        {"typed with 00", {7}, {}, {{7, 0, "12025550143"}}, "delivered 10:07", 1, "0012025550143"},
        {"report before the confirmation", {7}, {{7, 0}}, {}, "delivered 10:07", 1},
        {"duplicate logged once", {7}, {}, {{7, 0}, {7, 0}, {7, 1}}, "delivered 10:07", 1},
    };
    for (const auto &row : rows) {
        DeliveryReports tracker;
        int logged = 0, settled = 0;
        tracker.log = [&](const std::string &) { return ++logged, true; };
        tracker.settled = [&](const DeliveryReports::Message &) { ++settled; };
        for (const Fed &f : row.before)
            EXPECT_FALSE(tracker.feed(report(f.reference, f.number, f.outcome))) << row.name;
        tracker.add(row.typed, row.references, "12/08/26 09:59:00", "Alarm at pump 3");
        for (const Fed &f : row.after)
            tracker.feed(report(f.reference, f.number, f.outcome));
        ASSERT_EQ(tracker.recent().size(), 1u) << row.name;
        EXPECT_EQ(DeliveryReports::StateText(tracker.recent().back()), row.state) << row.name;
        EXPECT_EQ(std::pair(logged, settled), std::pair(row.logged, row.logged)) << row.name;
    }
    // The entries as the log keeps them.
    DeliveryReports tracker;
    std::string last;
    tracker.log = [&](const std::string &entry) { return last = entry, true; };
    tracker.add("+12025550143", {3, 4}, "12/08/26 09:59:00", "Alarm at pump 3");
    tracker.feed(report(3, "+12025550143", 1));
    tracker.feed(report(4, "+12025550143", 0));
    EXPECT_EQ(last, "[NOT DELIVERED]\nTo: +12025550143\nMessage references: 3, 4\n"
                    "Sent: 12/08/26 09:59:00\n"
                    "Not delivered: validity period expired, 12/08/26 10:04:05 (GMT+2)\n"
                    "Alarm at pump 3\n\n");
    tracker.add("+12025550143", {5}, "12/08/26 10:10:00", "Pump 3 running");
    tracker.feed(report(5, "+12025550143", 0));
    EXPECT_EQ(last, "[DELIVERED]\nTo: +12025550143\nMessage reference: 5\n"
                    "Sent: 12/08/26 10:10:00\nDelivered: 12/08/26 10:05:05 (GMT+2)\n"
                    "Pump 3 running\n\n");
}
