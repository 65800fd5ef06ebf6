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
