#include "FakeSender.h"
#include "support/TempDir.h"

#include "analytics/core/RecordQueue.h"
#include "analytics/core/SendStatus.h"

#include <gtest/gtest.h>

#include <fstream>

using qx_analytics::RecordQueue;

namespace {

std::string Record(int n)
{
    return "{\"n\":" + std::to_string(n) + "}";
}

std::string Batch(int first, int last)
{
    std::string text = "[";
    for (int n = first; n <= last; ++n) text += (n == first ? "" : ",") + Record(n);
    return text + "]";
}

std::vector<std::string> Records(int first, int last)
{
    std::vector<std::string> records;
    for (int n = first; n <= last; ++n) records.push_back(Record(n));
    return records;
}

std::string ReadFile(const std::wstring& path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

void WriteFile(const std::wstring& path, const std::string& text)
{
    std::ofstream(path.c_str(), std::ios::binary) << text;
}

class RecordQueueTest : public testing::Test {
protected:
    std::unique_ptr<RecordQueue> MakeQueue(std::wstring staging = L"")
    {
        return std::make_unique<RecordQueue>(std::make_unique<FakeSender>(log), std::move(staging));
    }
    void Fill(RecordQueue& queue, int first, int last)
    {
        for (int n = first; n <= last; ++n) queue.SendText(Record(n));
    }

    std::shared_ptr<FakeSender::Log> log = std::make_shared<FakeSender::Log>();
    TempDir dir;
};

TEST_F(RecordQueueTest, BatchesOfThirtyOldestFirst)
{
    auto queue = MakeQueue();
    Fill(*queue, 1, 31);
    EXPECT_TRUE(queue->Flush());
    EXPECT_EQ(log->Batches(), std::vector<std::string>{Batch(1, 30)});
    EXPECT_TRUE(queue->FlushAll());
    EXPECT_EQ(log->Batches(), (std::vector<std::string>{Batch(1, 30), Batch(31, 31)}));
    EXPECT_TRUE(queue->Flush()) << "empty queue";
    EXPECT_TRUE(queue->FlushAll());
    EXPECT_EQ(log->Batches().size(), 2u) << "an empty queue never sends []";
}

TEST_F(RecordQueueTest, CapacityDropsOldest)
{
    auto queue = MakeQueue();
    Fill(*queue, 1, 1030);
    const auto records = queue->Snapshot();
    ASSERT_EQ(records.size(), 1024u);
    EXPECT_EQ(records.front(), Record(7));
    EXPECT_EQ(records.back(), Record(1030));
}

TEST_F(RecordQueueTest, FailedBatchReturnsToTheFrontAsFarAsRoomAllows)
{
    struct Case {
        const char* name;
        int queuedAfterTakingBatch; // records added while the batch is out
        size_t expectedKept;        // of the batch's 30
    };
    // Newer records arrive while the batch is out, so they compete with it for the room.
    const Case cases[] = {{"plenty of room", 5, 30}, {"ten places free", 1014, 10}, {"full", 1024, 0}};
    for (const Case& c : cases) {
        log = std::make_shared<FakeSender::Log>();
        log->SetDelivering(false);
        // A sender that enqueues `queuedAfterTakingBatch` newer records while the request runs.
        struct Filling : FakeSender {
            Filling(std::shared_ptr<Log> log, RecordQueue*& queue, int count)
                : FakeSender(std::move(log)), m_queue(queue), m_count(count)
            {}
            Outcome Send(const std::string& batch) override
            {
                for (int n = 0; n < m_count; ++n) m_queue->SendText(Record(1000 + n));
                return FakeSender::Send(batch);
            }
            RecordQueue*& m_queue;
            int m_count;
        };
        RecordQueue* target = nullptr;
        RecordQueue filling(std::make_unique<Filling>(log, target, c.queuedAfterTakingBatch), L"");
        target = &filling;
        for (int n = 1; n <= 30; ++n) filling.SendText(Record(n));
        EXPECT_FALSE(filling.Flush()) << c.name;
        const auto records = filling.Snapshot();
        const size_t newer = std::min<size_t>(c.queuedAfterTakingBatch, 1024);
        ASSERT_EQ(records.size(), newer + c.expectedKept) << c.name;
        // The newest records of the batch survive, in order, ahead of the newer ones.
        const auto kept = Records(31 - static_cast<int>(c.expectedKept), 30);
        EXPECT_TRUE(std::equal(kept.begin(), kept.end(), records.begin())) << c.name;
        if (newer) {
            EXPECT_EQ(records[c.expectedKept], Record(1000 + c.queuedAfterTakingBatch - static_cast<int>(newer)));
        }
    }
}

TEST_F(RecordQueueTest, FailureStopsFlushAllAndRecordsTheLastSendStatus)
{
    log->SetDelivering(false);
    auto queue = MakeQueue();
    Fill(*queue, 1, 40);
    EXPECT_FALSE(queue->FlushAll());
    EXPECT_EQ(log->Batches().size(), 1u);
    EXPECT_EQ(queue->Snapshot(), Records(1, 40));
    EXPECT_FALSE(qx_analytics::SendStatus::LastSendSucceeded());
    log->SetDelivering(true);
    EXPECT_TRUE(queue->FlushAll());
    EXPECT_TRUE(qx_analytics::SendStatus::LastSendSucceeded());
    EXPECT_TRUE(queue->Snapshot().empty());
}

TEST_F(RecordQueueTest, StagingLoadsValidLinesAheadOfNewerRecordsAndTruncates)
{
    const std::wstring staging = dir / L"records.txt";
    WriteFile(staging, "\n" + Record(1) + "\nabc\n{broken\n" + Record(2) + "\r\n");
    auto queue = MakeQueue(staging);
    queue->SendText(Record(3));
    log->SetDelivering(false);
    EXPECT_FALSE(queue->Flush());
    EXPECT_EQ(log->Batches(), std::vector<std::string>{Batch(1, 3)});
    EXPECT_EQ(ReadFile(staging), "") << "truncated right after reading";
    queue.reset();
    EXPECT_EQ(ReadFile(staging), Record(1) + "\n" + Record(2) + "\n" + Record(3) + "\n");
}

TEST_F(RecordQueueTest, StagingReadAtCloseWhenNeverFlushed)
{
    const std::wstring staging = dir / L"records.txt";
    WriteFile(staging, Record(1) + "\n");
    auto queue = MakeQueue(staging);
    queue->SendText(Record(2));
    queue.reset();
    EXPECT_EQ(ReadFile(staging), Record(1) + "\n" + Record(2) + "\n");
}

TEST_F(RecordQueueTest, StagingKeepsOnlyTheNewestLinesThatFit)
{
    const std::wstring staging = dir / L"records.txt";
    std::string text;
    for (int n = 1; n <= 10; ++n) text += Record(n) + "\n";
    WriteFile(staging, text);
    auto queue = MakeQueue(staging);
    Fill(*queue, 100, 100 + 1024 - 4 - 1);
    queue->FlushAll(); // loads; the sender delivers everything
    const auto batches = log->Batches();
    ASSERT_FALSE(batches.empty());
    EXPECT_EQ(batches.front().substr(0, 1 + Record(7).size()), "[" + Record(7));
}

TEST_F(RecordQueueTest, MissingStagingFileContributesNothing)
{
    auto queue = MakeQueue(dir / L"absent\\records.txt");
    queue->SendText(Record(1));
    EXPECT_TRUE(queue->FlushAll());
    EXPECT_EQ(log->Batches(), std::vector<std::string>{Batch(1, 1)});
}

} // namespace
