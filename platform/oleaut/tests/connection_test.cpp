#include <gtest/gtest.h>

#include <vector>

#include "plat/oleaut/connection.h"

namespace plat {
namespace {

constexpr IID kEventsIid{0x5E5E0001, 0x0001, 0x0002, {9, 9, 9, 9, 9, 9, 9, 9}};

// A source with one event point and one property-notify point.
class Source : public ComObject<IConnectionPointContainer> {
 public:
  explicit Source(bool* destroyed) : destroyed_(destroyed) {}
  ~Source() override { *destroyed_ = true; }
  HRESULT FindConnectionPoint(const IID& iid, IConnectionPoint** out) override {
    *out = nullptr;
    ConnectionPoint* point = iid == kEventsIid ? &events_ : iid == IPropertyNotifySink::kIid ? &notify_ : nullptr;
    if (!point) return CONNECT_E_NOCONNECTION;
    point->AddRef();
    *out = point;
    return S_OK;
  }
  ConnectionPoint events_{GetUnknown(), kEventsIid};
  ConnectionPoint notify_{GetUnknown(), IPropertyNotifySink::kIid};
  bool* destroyed_;
};

TEST(ConnectionPoint, SinkUnadvisedDuringFireIsNotCalled) {
  bool destroyed = false;
  ComPtr<Source> source = MakeCom<Source>(&destroyed);
  std::vector<int> calls;
  ComPtr<EventSink> first = EventSink::Create(kEventsIid);
  ComPtr<EventSink> second = EventSink::Create(kEventsIid);
  ComPtr<EventSink> third = EventSink::Create(kEventsIid);
  first->On(1, [&](std::span<Variant>) {
    calls.push_back(1);
    second->Unadvise();
  });
  second->On(1, [&](std::span<Variant>) { calls.push_back(2); });
  third->On(1, [&](std::span<Variant>) { calls.push_back(3); });
  ASSERT_EQ(first->Advise(source.get()), S_OK);
  ASSERT_EQ(second->Advise(source.get()), S_OK);
  ASSERT_EQ(third->Advise(source.get()), S_OK);

  source->events_.Fire(1, {});
  EXPECT_EQ(calls, (std::vector<int>{1, 3}));
  first->Unadvise();
  third->Unadvise();
  EXPECT_EQ(source->events_.sink_count(), 0u);
}

TEST(ConnectionPoint, SinkChangesByReferenceArgument) {
  bool destroyed = false;
  ComPtr<Source> source = MakeCom<Source>(&destroyed);
  ComPtr<EventSink> sink = EventSink::Create(kEventsIid);
  sink->On(2, [](std::span<Variant> args) {
    ASSERT_EQ(args.size(), 2u);
    ASSERT_EQ(args[0].vt(), VT_I2 | VT_BYREF);
    *args[0].piVal() = 0;  // the host swallows the key
    EXPECT_EQ(args[1], Variant(int16_t{4}));
  });
  ASSERT_EQ(sink->Advise(source.get()), S_OK);
  int16_t key = 13;
  std::vector<Variant> args{Variant::ByRef(&key), Variant(int16_t{4})};
  source->events_.Fire(2, args);
  EXPECT_EQ(key, 0);
  sink->Unadvise();
}

TEST(ConnectionPoint, HostReleasingTheSourceInsideItsEventIsSafe) {
  bool destroyed = false;
  ComPtr<Source> source = MakeCom<Source>(&destroyed);
  ComPtr<EventSink> sink = EventSink::Create(kEventsIid);
  ComPtr<EventSink> later = EventSink::Create(kEventsIid);
  bool later_called = false;
  sink->On(1, [&](std::span<Variant>) {
    sink->Unadvise();
    later->Unadvise();
    source.reset();  // the host's last reference
    EXPECT_FALSE(destroyed) << "the fire still holds the source";
  });
  later->On(1, [&](std::span<Variant>) { later_called = true; });
  ASSERT_EQ(sink->Advise(source.get()), S_OK);
  ASSERT_EQ(later->Advise(source.get()), S_OK);
  Source* raw = source.get();
  raw->events_.Fire(1, {});
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(later_called);
}

TEST(ConnectionPoint, AdviseChecksTheOutgoingInterface) {
  bool destroyed = false;
  ComPtr<Source> source = MakeCom<Source>(&destroyed);
  ComPtr<EventSink> wrong = EventSink::Create(IID_IDispatch);
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(source->FindConnectionPoint(kEventsIid, point.put()), S_OK);
  DWORD cookie = 0;
  EXPECT_EQ(point->Advise(wrong.get(), &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(point->Unadvise(12345), CONNECT_E_NOCONNECTION);
  ComPtr<IConnectionPoint> none;
  EXPECT_EQ(source->FindConnectionPoint(GUID_NULL, none.put()), CONNECT_E_NOCONNECTION);
}

}  // namespace
}  // namespace plat
