// The task loop on real timers, a real queue and real signals. Timing bands
// are wide: the machines that run the suite are often loaded.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "CppUTest/TestHarness.h"
#include "HostPlatform.h"
#include "HostTestSupport.h"
#include "MessageQueue.h"
#include "PeriodicTask.h"

namespace {

class TestTask : public PeriodicTask
{
  public:
    TestTask() : PeriodicTask("TestTask") {}
    void tick()
    {
        ticks++;
        overlapped = overlapped || inAction;
    }
    void stopNow() { hostplatform::requestStop(); }
    void action(TaskInterface*, EventCode) override
    {
        inAction = true;
        char msg[16];
        while (queue != nullptr && queue->read(msg) > 0)
            actions++;
        usleep(static_cast<useconds_t>(holdMs) * 1000);
        inAction = false;
    }
    int add(unsigned ms, void (TestTask::*m)()) { return addPeriodicCallback(ms, static_cast<CallbackMethod>(m)); }

    int ticks = 0, actions = 0, holdMs = 0;
    bool inAction = false, overlapped = false;
    MessageQueue* queue = nullptr;
};

}  // namespace

TEST_GROUP(PeriodicTask)
{
    void setup() { hostplatform::clearStopRequest(); }
    void teardown() { hostplatform::clearStopRequest(); }
};

TEST(PeriodicTask, a_20_ms_callback_runs_about_fifty_times_a_second)
{
    TestTask task;
    LONGS_EQUAL(-1, task.add(0, &TestTask::tick));
    LONGS_EQUAL(0, task.add(20, &TestTask::tick));
    LONGS_EQUAL(0, task.add(1000, &TestTask::stopNow));
    task.run();
    CHECK_TEXT(task.ticks >= 25 && task.ticks <= 51, std::to_string(task.ticks).c_str());
}

TEST(PeriodicTask, a_long_action_holds_callbacks_back_and_counts_their_missed_periods)
{
    TestTask task;
    MessageQueue queue(uniqueName("loop").c_str(), 16, 4, MessageQueue::ReadWrite, 0);
    task.queue = &queue;
    task.holdMs = 300;
    char msg[16] = "wake";
    LONGS_EQUAL(16, queue.write(msg));
    task.add(20, &TestTask::tick);
    task.add(600, &TestTask::stopNow);
    task.run();
    LONGS_EQUAL(1, task.actions);
    CHECK_FALSE(task.overlapped);
    // 300 ms held: about 14 periods of 20 ms ran late and were folded into one.
    CHECK_TEXT(task.missedPeriods() >= 8, std::to_string(task.missedPeriods()).c_str());
}

TEST(PeriodicTask, a_stop_requested_before_run_or_by_a_signal_ends_run)
{
    TestTask early;
    early.add(20, &TestTask::tick);
    hostplatform::requestStop();
    timespec start = monotonicNow();
    early.run();
    CHECK(msSince(start) < 500);
    LONGS_EQUAL(0, early.ticks);

    int ready[2];
    CHECK_EQUAL(0, pipe(ready));
    pid_t child = fork();
    if (child == 0)
    {
        hostplatform::clearStopRequest();
        TestTask task;
        task.add(10, &TestTask::tick);
        hostplatform::stopOnSignals();
        if (write(ready[1], "r", 1) != 1)
            _exit(3);
        task.run();
        _exit(task.ticks > 0 ? 0 : 4);
    }
    char c;
    CHECK_EQUAL(1, read(ready[0], &c, 1));
    usleep(50000);
    kill(child, SIGTERM);
    LONGS_EQUAL(0, waitChild(child, 5000));
    close(ready[0]);
    close(ready[1]);
}
