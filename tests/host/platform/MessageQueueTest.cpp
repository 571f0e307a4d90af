// Message queues on POSIX queues: another process posts, the task's loop runs
// action for it; limits, sizes and the queue's lifetime.
#include <errno.h>
#include <fcntl.h>
#include <mqueue.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "CppUTest/TestHarness.h"
#include "HostPlatform.h"
#include "HostTestSupport.h"
#include "MessageQueue.h"
#include "PeriodicTask.h"

namespace {

struct Record
{
    int32_t seq;
    char text[60];
};

class Receiver : public PeriodicTask
{
  public:
    explicit Receiver(const std::string& name)
        : PeriodicTask("Receiver"), queue(name.c_str(), sizeof(Record), 8, MessageQueue::ReadWrite, 0)
    {
        addPeriodicCallback(5000, static_cast<CallbackMethod>(&Receiver::giveUp));
    }
    void giveUp() { hostplatform::requestStop(); }
    void action(TaskInterface*, EventCode code) override
    {
        Record r;
        while (queue.read(&r) > 0)
            got.push_back(r);
        lastCode = code;
        if (got.size() >= 3)
            hostplatform::requestStop();
    }
    MessageQueue queue;
    std::vector<Record> got;
    EventCode lastCode = -1;
};

bool queueExists(const std::string& name)
{
    mqd_t q = mq_open(("/" + name).c_str(), O_RDONLY);
    if (q == static_cast<mqd_t>(-1))
        return false;
    mq_close(q);
    return true;
}

long systemDepth()
{
    long depth = 0;
    FILE* f = fopen("/proc/sys/fs/mqueue/msg_max", "r");
    if (f != nullptr && fscanf(f, "%ld", &depth) != 1)
        depth = 0;
    if (f != nullptr)
        fclose(f);
    return depth;
}

}  // namespace

TEST_GROUP(MessageQueue)
{
    void setup() { hostplatform::clearStopRequest(); }
    void teardown() { hostplatform::clearStopRequest(); }
};

TEST(MessageQueue, records_posted_by_another_process_run_action_in_order)
{
    const std::string name = uniqueName("commands");
    Receiver task(name);
    pid_t child = fork();
    if (child == 0)
    {
        MessageQueue out(name.c_str(), sizeof(Record), 8, MessageQueue::Write, 0);
        for (int i = 1; i <= 3; i++)
        {
            Record r = {i, ""};
            snprintf(r.text, sizeof r.text, "command %d", i);
            if (out.write(&r) != static_cast<int>(sizeof r))
                _exit(1);
            usleep(20000);
        }
        _exit(0);
    }
    task.run();
    LONGS_EQUAL(0, waitChild(child, 5000));
    LONGS_EQUAL(3, task.got.size());
    for (int i = 0; i < 3; i++)
    {
        LONGS_EQUAL(i + 1, task.got[i].seq);
        STRCMP_EQUAL(("command " + std::to_string(i + 1)).c_str(), task.got[i].text);
    }
    LONGS_EQUAL(0, task.lastCode);
}

TEST(MessageQueue, depth_size_and_lifetime_follow_the_creator)
{
    const std::string name = uniqueName("limits");
    Record r = {7, "x"};
    {
        // A writer finds no queue to post to, and makes none.
        MessageQueue early(name.c_str(), sizeof(Record), 8, MessageQueue::Write, 0);
        LONGS_EQUAL(-1, early.write(&r));
        CHECK_FALSE(queueExists(name));
    }
    {
        MessageQueue reader(name.c_str(), sizeof(Record), 100000, MessageQueue::ReadWrite, 0);
        LONGS_EQUAL(0, reader.read(&r));
        // A message shorter than a record is dropped, not handed over over the
        // tail of the record read before it.
        mqd_t raw = mq_open(("/" + name).c_str(), O_WRONLY);
        const int32_t cutSeq = 9;
        const Record whole = {8, "whole"};
        CHECK(mq_send(raw, reinterpret_cast<const char*>(&cutSeq), sizeof cutSeq, 0) == 0);
        CHECK(mq_send(raw, reinterpret_cast<const char*>(&whole), sizeof whole, 0) == 0);
        mq_close(raw);
        LONGS_EQUAL(sizeof(Record), reader.read(&r));
        LONGS_EQUAL(8, r.seq);
        LONGS_EQUAL(0, reader.read(&r));
        long accepted = 0;
        while (reader.write(&r) > 0 && accepted < 100000)
            accepted++;
        LONGS_EQUAL(systemDepth(), accepted);
        // Another user of the name with another message size is refused.
        MessageQueue other(name.c_str(), 32, 8, MessageQueue::ReadWrite, 0);
        LONGS_EQUAL(-1, other.read(&r));
        LONGS_EQUAL(-1, other.write(&r));
        CHECK(queueExists(name));
    }
    CHECK_FALSE(queueExists(name));
}
