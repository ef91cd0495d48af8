#include "utils/ComPtr.h"
#include "utils/Handles.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A fake resource type that records every close and clobbers the last error as a real
// failing close would.
struct CountingTraits {
    using pointer = int;
    static pointer invalid() noexcept { return 0; }
    static void close(pointer value) noexcept
    {
        closed().push_back(value);
        SetLastError(ERROR_INVALID_HANDLE);
    }
    static std::vector<int>& closed()
    {
        static std::vector<int> values;
        return values;
    }
};
using Counted = Utils::UniqueResource<CountingTraits>;

class UniqueResourceTest : public ::testing::Test {
protected:
    void SetUp() override { CountingTraits::closed().clear(); }
    const std::vector<int>& closed() { return CountingTraits::closed(); }
};

TEST_F(UniqueResourceTest, ClosesOnceWhenLeavingScope)
{
    {
        Counted owner(7);
    }
    EXPECT_EQ(closed(), std::vector<int>{7});
}

TEST_F(UniqueResourceTest, MoveTransfersOwnershipWithoutClosing)
{
    Counted first(7);
    Counted second(std::move(first));
    EXPECT_FALSE(first.valid());
    EXPECT_EQ(second.get(), 7);
    EXPECT_TRUE(closed().empty());

    Counted third(9);
    third = std::move(second); // the 9 third held is closed, the 7 moves in
    EXPECT_EQ(closed(), std::vector<int>{9});
    EXPECT_EQ(third.get(), 7);

    third = std::move(third); // self-move keeps the resource
    EXPECT_EQ(third.get(), 7);
    third.reset();
    EXPECT_EQ(closed(), (std::vector<int>{9, 7}));
}

TEST_F(UniqueResourceTest, ReleaseGivesUpWithoutClosing)
{
    Counted owner(5);
    EXPECT_EQ(owner.release(), 5);
    owner.reset();
    EXPECT_TRUE(closed().empty());
}

TEST_F(UniqueResourceTest, PutClosesThePreviousValueFirst)
{
    Counted owner(3);
    *owner.put() = 4;
    EXPECT_EQ(closed(), std::vector<int>{3});
    EXPECT_EQ(owner.get(), 4);
}

TEST_F(UniqueResourceTest, LastErrorSurvivesTheClose)
{
    SetLastError(ERROR_FILE_NOT_FOUND);
    {
        Counted owner(1);
    }
    EXPECT_EQ(closed().size(), 1u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(UniqueHandleTest, ClosesTheRealKernelObject)
{
    HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(raw, nullptr);
    DWORD flags = 0;
    {
        Utils::UniqueHandle event(raw);
        EXPECT_TRUE(GetHandleInformation(raw, &flags));
    }
    EXPECT_FALSE(GetHandleInformation(raw, &flags)) << "the handle must be closed by the owner";
}

TEST(UniqueHandleTest, KeepsLastErrorOfAFailedCallAcrossDestruction)
{
    DWORD error = 0;
    {
        Utils::UniqueFile file(
            CreateFileW(L"C:\\no\\such\\dir\\file.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        Utils::UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        ASSERT_FALSE(file.valid());
        SetLastError(ERROR_PATH_NOT_FOUND);
    }
    error = GetLastError();
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

// A COM-style object that counts its references.
struct FakeUnknown : IUnknown {
    ULONG references = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
};

TEST(ComPtrTest, ReleasesItsReferenceExactlyOnceAcrossMoves)
{
    FakeUnknown object;
    {
        Utils::ComPtr<FakeUnknown> first(&object);
        Utils::ComPtr<FakeUnknown> second(std::move(first));
        Utils::ComPtr<FakeUnknown> third;
        third = std::move(second);
        EXPECT_EQ(object.references, 1u);
    }
    EXPECT_EQ(object.references, 0u);
}

} // namespace
