// The fixture of graph tests with a framework-built source feeding a TestSink: builds the graph,
// and at the end stops it, releases everything and checks that no object of the test is left.
// Test threads only.
#pragma once

#include <gtest/gtest.h>

#include <utility>

#include "platform/com/ComInitialization.h"
#include "platform/com/ModuleLifetime.h"
#include "tests/windows/dshow/support/GraphTestSupport.h"
#include "tests/windows/dshow/support/TestSink.h"

namespace orvane::testing {

template <typename Source>
class SinkGraphTest : public ::testing::Test {
 protected:
  // Creates the source from `arguments` and the sink, and connects them directly in a new graph.
  template <typename... Arguments>
  void Build(Arguments&&... arguments) {
    ASSERT_TRUE(com_.ok());
    objectsBefore_ = ModuleLifetime::Objects();
    ASSERT_EQ(ComObject<TestSink>::Create(sink_), S_OK);
    sink_->KeepSampleData(true);
    ASSERT_EQ(ComObject<Source>::Create(source_, std::forward<Arguments>(arguments)...), S_OK);
    graph_ = CreateGraph();
    ASSERT_TRUE(graph_);
    ASSERT_EQ(AddAndConnect(graph_.Get(), source_->AsBaseFilter(), L"Source", sink_->AsBaseFilter(), L"Sink"),
              S_OK);
    ASSERT_EQ(graph_.As(&control_), S_OK);
  }

  // Stopping first releases a Receive that a failed test left waiting.
  void StopGraph() {
    if (control_) control_->Stop();
  }

  void TearDown() override {
    StopGraph();
    control_.Reset();
    graph_.Reset();
    sink_.Reset();
    source_.Reset();
    EXPECT_EQ(ModuleLifetime::Objects(), objectsBefore_) << "objects of the graph are still alive";
  }

  ComInitialization com_;
  long objectsBefore_ = 0;
  ComPtr<ComObject<TestSink>> sink_;
  ComPtr<ComObject<Source>> source_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IMediaControl> control_;
};

}  // namespace orvane::testing
