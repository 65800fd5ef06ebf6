#include "../support/test_files.h"
#include "ecinterop/ecDatasetRecordings.h"
#include "ecinterop/ecFormatError.h"

using namespace testfiles;

TEST(ecDatasetRecordings, EventTablesBelowTheDatasetInPathOrder)
{
    Scratch s;
    s.Write({{"ds/dataset_description.json", "{}"},
             {"ds/sub-02/eeg/sub-02_task-a_events.tsv", "onset\n"},
             {"ds/sub-01/eeg/sub-01_task-a_events.tsv", "onset\n"},
             {"ds/sub-01/eeg/sub-01_task-a_channels.tsv", "name\n"},
             {"ds/sub-01/eeg/sub-01_task-b_events.json", "{}\n"},
             {"ds/derivatives/x/sub-01/eeg/sub-01_task-a_events.tsv", "onset\n"},
             {"ds/sourcedata/sub-01_task-a_events.tsv", "onset\n"},
             {"ds/.git/sub-01_task-a_events.tsv", "onset\n"},
             {"ds/top_events.tsv", "onset\n"}});
    const std::vector<ecDatasetRecordings::Recording> found = ecDatasetRecordings::Find(s / "ds");
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].events, s / "ds/sub-01/eeg/sub-01_task-a_events.tsv");
    EXPECT_EQ(found[0].folder, "sub-01/eeg");
    EXPECT_EQ(found[1].events, s / "ds/sub-02/eeg/sub-02_task-a_events.tsv");
    EXPECT_EQ(found[2].folder, ".");

    fs::create_directories(s / "empty");
    EXPECT_THROW(ecDatasetRecordings::Find(s / "empty"), ecFormatError);
    EXPECT_THROW(ecDatasetRecordings::Find(s / "missing"), ecFormatError);
    EXPECT_EQ(ecDatasetRecordings::Stem("a/b/sub-1_task-x_events.tsv"), "sub-1_task-x");
    EXPECT_EQ(ecDatasetRecordings::Stem("rec.evt"), "rec");
}

TEST(ecDatasetRecordings, EntitiesOfTheFileNameInSummaryOrder)
{
    using Entities = std::vector<std::pair<std::string, std::string>>;
    const std::vector<std::pair<std::string, Entities>> cases{
        {"d/sub-01_ses-a_task-x_acq-hi_run-2_events.tsv",
         {{"sub", "01"}, {"ses", "a"}, {"task", "x"}, {"run", "2"}, {"acq", "hi"}}},
        {"sub-01_task-odd_events.evt", {{"sub", "01"}, {"task", "odd"}}},
        // Keys are whole parts: "subject-1" and "xrun-3" are not entities, nor is an empty value.
        {"subject-1_xrun-3_run-_events.tsv", {}},
        {"rec.evt", {}},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(ecDatasetRecordings::Entities(path), expected) << path;
}
