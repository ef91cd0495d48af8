#include "support/LogCapture.h"
#include "utils/DetachedThread.h"
#include "utils/Thread.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

namespace {

// Records the names raised with the debugger thread-naming exception, as a debugger would.
class ThreadNameSpy {
public:
    ThreadNameSpy() : m_handler(AddVectoredExceptionHandler(1, &ThreadNameSpy::Handler)) {}
    ~ThreadNameSpy() { RemoveVectoredExceptionHandler(m_handler); }

    static std::string NameOf(DWORD id)
    {
        std::lock_guard lock(Mutex());
        const auto found = Names().find(id);
        return found == Names().end() ? std::string("<none>") : found->second;
    }

private:
    static LONG CALLBACK Handler(EXCEPTION_POINTERS* info)
    {
        const EXCEPTION_RECORD& record = *info->ExceptionRecord;
        if (record.ExceptionCode == 0x406D1388 && record.NumberParameters >= 3 &&
            record.ExceptionInformation[0] == 0x1000) {
            std::lock_guard lock(Mutex());
            Names()[static_cast<DWORD>(record.ExceptionInformation[2])] =
                reinterpret_cast<const char*>(record.ExceptionInformation[1]);
        }
        return EXCEPTION_CONTINUE_SEARCH; // the thread's own handler still swallows it
    }
    static std::mutex& Mutex()
    {
        static std::mutex mutex;
        return mutex;
    }
    static std::map<DWORD, std::string>& Names()
    {
        static std::map<DWORD, std::string> names;
        return names;
    }
    PVOID m_handler;
};

unsigned Noop(void*)
{
    return 0;
}

TEST(ThreadTest, RunsTheFunctionWithItsParameterOnAnotherThread)
{
    struct Result {
        DWORD threadId = 0;
        int value = 0;
    } result;
    {
        Utils::Thread thread(&result, L"ABDEF", [](void* param) -> unsigned {
            auto* r = static_cast<Result*>(param);
            r->threadId = GetCurrentThreadId();
            r->value = 42;
            return 7;
        });
        ASSERT_NE(thread.handle(), nullptr);
        ASSERT_TRUE(thread.Resume());
        thread.Join();
        EXPECT_EQ(thread.handle(), nullptr);
        EXPECT_EQ(thread.id(), 0xFFFFFFFFu);
    }
    EXPECT_EQ(result.value, 42);
    EXPECT_NE(result.threadId, GetCurrentThreadId());
}

TEST(ThreadTest, TheWorkersExitCodeIsZeroWhateverTheFunctionReturns)
{
    Utils::Thread thread(nullptr, L"ABDEF", [](void*) -> unsigned { return 7; });
    ASSERT_TRUE(thread.Resume());
    ASSERT_EQ(WaitForSingleObject(thread.handle(), 10000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    ASSERT_TRUE(GetExitCodeThread(thread.handle(), &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

TEST(ThreadTest, IsNamedForTheDebugger)
{
    ThreadNameSpy spy;
    Utils::Thread named(nullptr, L"ABDEF", &Noop);
    Utils::Thread unnamed(nullptr, L"", &Noop);
    Utils::Thread uninstaller(nullptr, L"UnInstaller", &Noop);
    EXPECT_EQ(ThreadNameSpy::NameOf(named.id()), "ABDEF");
    EXPECT_EQ(ThreadNameSpy::NameOf(unnamed.id()), "t" + std::to_string(unnamed.id()));
    EXPECT_EQ(ThreadNameSpy::NameOf(uninstaller.id()), "UnInstaller");
    for (Utils::Thread* t : {&named, &unnamed, &uninstaller}) t->Resume();
}

TEST(ThreadTest, IsCreatedSuspended)
{
    std::atomic<bool> ran{false};
    Utils::Thread thread(&ran, L"ABDEF", [](void* p) -> unsigned {
        static_cast<std::atomic<bool>*>(p)->store(true);
        return 0;
    });
    EXPECT_EQ(WaitForSingleObject(thread.handle(), 200), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_FALSE(ran.load());
    thread.Resume();
    thread.Join();
    EXPECT_TRUE(ran.load());
}

TEST(ThreadTest, JoinTwiceReturnsAtOnce)
{
    Utils::Thread thread(nullptr, L"ABDEF", &Noop);
    thread.Resume();
    thread.Join();
    thread.Join();
    EXPECT_EQ(thread.handle(), nullptr);
}

TEST(ThreadTest, DestructionWaitsForTheWork)
{
    std::atomic<bool> finished{false};
    {
        Utils::Thread thread(&finished, L"ABDEF", [](void* p) -> unsigned {
            Sleep(200);
            static_cast<std::atomic<bool>*>(p)->store(true);
            return 0;
        });
        thread.Resume();
    }
    EXPECT_TRUE(finished.load());
}

TEST(ThreadTest, WritesBeginAndEndLinesFromTheWorker)
{
    LogCapture log;
    {
        Utils::Thread thread(nullptr, L"ABDEF", &Noop);
        thread.Resume();
    }
    const auto lines = log.Matching(L"(Utils::Thread::CallBack)");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find(L": THREAD BEGIN\r\n"), std::wstring::npos);
    EXPECT_NE(lines[1].find(L": THREAD END\r\n"), std::wstring::npos);
}

// A worker may drop its own Thread object (a downloader restarting itself): the object is
// retired without waiting, and the work finishes safely with its own copy of the function.
TEST(ThreadTest, AWorkerCanRetireItsOwnThreadObject)
{
    struct Shared {
        std::unique_ptr<Utils::Thread> self;
        HANDLE done = nullptr;
        std::string captured = "still alive";
        std::string seen;
    };
    auto shared = std::make_shared<Shared>();
    Utils::UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    shared->done = done.get();
    std::string captured = shared->captured;
    shared->self = std::make_unique<Utils::Thread>(shared.get(), L"ABDEF", [captured](void* p) -> unsigned {
        auto* s = static_cast<Shared*>(p);
        s->self.reset();    // deletes the Thread object from its own worker
        s->seen = captured; // the function's captures are still valid
        SetEvent(s->done);
        return 0;
    });
    ASSERT_TRUE(shared->self->Resume());
    ASSERT_EQ(WaitForSingleObject(done.get(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(shared->self, nullptr);
    EXPECT_EQ(shared->seen, "still alive");
}

} // namespace

namespace {

// Many short detached threads started at once, from several threads: every one runs, once,
// and each frees its own work.
TEST(RunDetachedTest, EveryDetachedWorkRunsOnce)
{
    constexpr int kStarters = 4, kEach = 100;
    struct Shared {
        std::atomic<int> ran{0};
        Utils::UniqueHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    };
    auto shared = std::make_shared<Shared>();
    std::vector<std::unique_ptr<Utils::Thread>> starters;
    for (int s = 0; s < kStarters; ++s) {
        starters.push_back(std::make_unique<Utils::Thread>(shared.get(), L"ABDEF", [shared](void*) -> unsigned {
            for (int i = 0; i < kEach; ++i) {
                EXPECT_TRUE(Utils::RunDetached([shared] {
                    if (shared->ran.fetch_add(1) + 1 == kStarters * kEach) SetEvent(shared->done.get());
                }));
            }
            return 0;
        }));
        starters.back()->Resume();
    }
    starters.clear();
    ASSERT_EQ(WaitForSingleObject(shared->done.get(), 30000), WAIT_OBJECT_0);
    // Every work item has released its copy of `shared` once nothing else runs.
    for (int i = 0; i < 300 && shared.use_count() > 1; ++i) Sleep(10);
    EXPECT_EQ(shared.use_count(), 1);
    EXPECT_EQ(shared->ran.load(), kStarters * kEach);
}

} // namespace
