// The derivatives writer on its own: the interface a host other than ecbin
// calls with its tagged events and bins.
#include <cmath>
#include <functional>

#include "../support/event_builders.h"
#include "../support/test_files.h"
#include "ecevents/events/ecEventList.h"
#include "ecinterop/ecBidsDerivatives.h"
#include "ecinterop/ecFormatError.h"

using namespace testfiles;

TEST(BidsDerivatives, ARepeatedBinKeepsItsLastEntryAndOddTextStaysValidJson)
{
    Scratch s;
    // Out of time order: the columns must follow the rows as sorted.
    const ecEventList list = MakeList("B@300 A@100 C@200", 100.0f);
    const std::vector<ecBidsDerivatives::Bin> bins{
        {"X", "first", {true, true, true}},
        {"q\"\x01\xff", "line\nbreak", {false, false, true}},
        {"X", "last", {true, false, false}},
    };
    const std::string table = ecBidsDerivatives::TableName(s / "sub-1_task-t");
    ecBidsDerivatives::WriteEvents(list, bins, {{"rt_R", {0.5, NAN, 0.25}}}, table);
    EXPECT_EQ(ReadText(table), "onset\tduration\tsample\ttrial_type\trt_R\tbin_X\tbin_q\"\x01\xff\n"
                               "1\t0\t100\tA\tn/a\tfalse\tfalse\n"
                               "2\t0\t200\tC\t0.25\tfalse\ttrue\n"
                               "3\t0\t300\tB\t0.5\ttrue\tfalse\n");
    const std::string sidecar = ReadText(s / "sub-1_task-t_desc-bins_events.json");
    for (const char* part : {"\"bin_X\": {\"Description\": \"Bin X: last\"",
                             "\"bin_q\\\"\\u0001\xEF\xBF\xBD\": {\"Description\": \"Bin q\\\"\\u0001\xEF\xBF\xBD: line\\nbreak\""})
        EXPECT_TRUE(Contains(sidecar, part));
    EXPECT_EQ(sidecar.find("first"), std::string::npos);
}

TEST(BidsDerivatives, ABinThatDoesNotFitTheEventsWritesNothing)
{
    Scratch s;
    const ecEventList list = MakeList("A@100 B@200", 100.0f);
    const std::vector<std::vector<ecBidsDerivatives::Bin>> cases{
        {{"X", "", {true}}},
        {{"tab\there", "", {true, false}}},
    };
    for (const auto& bins : cases) {
        std::string message;
        try {
            ecBidsDerivatives::WriteEvents(list, bins, {}, s / "r_desc-bins_events.tsv");
        } catch (const ecFormatError& e) {
            message = e.what();
        }
        EXPECT_TRUE(Contains(message, "r_desc-bins_events.tsv: "));
        EXPECT_TRUE(Names(s.Path()).empty());
    }
}
