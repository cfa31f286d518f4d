#include "desktop/windows/installer/avro_stats/stats_reporting.h"

#include <memory>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/task_scheduler/task_scheduler.h"
#include "desktop/windows/installer/avro_stats/avro/avro_codec.h"
#include "desktop/windows/installer/avro_stats/avro/avro_datum.h"
#include "desktop/windows/installer/avro_stats/avro_network_thread.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/disabled_avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/installer_events.h"
#include "desktop/windows/installer/avro_stats/statistics_schema.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/server_tracking_blob.h"
#include "desktop/windows/installer/utils/test_hooks.h"
#include "gtest/gtest.h"
#include "testing/loopback_http_server.h"

namespace {

class StatsReportingTest : public testing::Test {
 protected:
  void SetUp() override {
    base::TaskScheduler::Create("stats_test");
    const base::SchedulerWorkerPoolParams one(1, base::TimeDelta::FromSeconds(30));
    base::TaskScheduler::GetInstance()->Start({one, one, one, one});
  }
  void TearDown() override {
    SetAvroStatsSender(nullptr);
    SetAvroTestServerPortForTesting(0);
    base::TaskScheduler::GetInstance()->Shutdown();
    base::TaskScheduler::GetInstance()->JoinForTesting();
    base::TaskScheduler::SetInstance(nullptr);
  }

  void ShutDownAndWait() {
    base::RunLoop run_loop;
    GetAvroStatsSender()->SendPendingAndShutdown(run_loop.QuitClosure());
    run_loop.Run();
  }

  base::MessageLoop message_loop_;
  base::CommandLine command_line_{base::CommandLine::NO_PROGRAM};
};

TEST_F(StatsReportingTest, HolderIsNeverEmpty) {
  SetAvroStatsSender(nullptr);
  ASSERT_TRUE(GetAvroStatsSender());
  // Dropping events and answering the shutdown still work.
  GetAvroStatsSender()->Send(std::make_unique<ErrorEvent>("dropped", 1));
  ShutDownAndWait();
}

// The backend and the protocol-handler registration, which a backend
// carries out, send nothing.
TEST_F(StatsReportingTest, BackendRolesDropEverything) {
  LoopbackHttpServer server;
  ASSERT_TRUE(server.Start());
  SetAvroTestServerPortForTesting(server.port());
  for (const char* role : {switches::kBackend, switches::kRegisterAsProtocolHandler}) {
    base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
    command_line.AppendSwitch(GetTestHookName(TestHook::kAvroServer));
    command_line.AppendSwitch(role);
    InstallerSession session(&command_line);
    InitializeStatsReporting(session);
    EXPECT_TRUE(dynamic_cast<DisabledAvroStatsSender*>(GetAvroStatsSender())) << role;
    GetAvroStatsSender()->SetTrafficAllowed(true);
    GetAvroStatsSender()->Send(std::make_unique<ErrorEvent>("dropped", 1));
    ShutDownAndWait();
  }
  EXPECT_EQ(0u, server.request_count());
}

// A dropping sender's shutdown is answered by the outer run loop, never
// inside a nested one (a message box's, say) that runs meanwhile.
TEST_F(StatsReportingTest, DroppingSenderAnswersItsShutdownOutsideNestedLoops) {
  std::vector<std::string> order;
  base::RunLoop outer;
  auto shut_down_in_nested_loop = [](std::vector<std::string>* order) {
    DisabledAvroStatsSender().SendPendingAndShutdown(base::BindOnce(
        [](std::vector<std::string>* order) { order->push_back("done"); }, order));
    base::RunLoop nested(base::RunLoop::Type::kNestableTasksAllowed);
    nested.RunUntilIdle();
    order->push_back("nested loop ended");
  };
  message_loop_.task_runner()->PostTask(FROM_HERE,
                                        base::BindOnce(shut_down_in_nested_loop, &order));
  outer.RunUntilIdle();
  EXPECT_EQ((std::vector<std::string>{"nested loop ended", "done"}), order);
}

TEST_F(StatsReportingTest, AutoupdateRunReportsOnlyItsFailureWithTheCampaign) {
  LoopbackHttpServer server;
  ASSERT_TRUE(server.Start());
  SetAvroTestServerPortForTesting(server.port());
  base::CommandLine* command_line = &command_line_;
  command_line->AppendSwitch(GetTestHookName(TestHook::kAvroServer));
  command_line->AppendSwitch(switches::kAutoupdate);
  ScopedInstallerSessionForTesting session(std::make_unique<InstallerSession>(command_line));
  GetSessionTrackingData()->Set("utm.source", "mail");
  GetSessionTrackingData()->Set("utm.campaign", "");
  GetSessionTrackingData()->Set("uuid", "installer-7");

  InitializeStatsReporting(*InstallerSession::GetInstance());
  GetAvroStatsSender()->Send(
      std::make_unique<ControllerLaunchedEvent>("0", "", false, true, true, "", "x64", 1));
  GetAvroStatsSender()->Send(std::make_unique<AutoupdateFailedEvent>(
      "update failed", FetchStatisticsList(), InstallationSettings(), "1.2", "stable", 0));
  GetAvroStatsSender()->SetTrafficAllowed(true);
  ShutDownAndWait();

  std::vector<LoopbackHttpServer::Request> requests = server.requests();
  ASSERT_EQ(1u, requests.size());
  const std::string& body = requests[0].body;
  ASSERT_GT(body.size(), AvroCodec::kSchemaIdHeaderSize);
  auto root = AvroCodec().Decode(GetInstallerSchema(), body.substr(AvroCodec::kSchemaIdHeaderSize));
  ASSERT_TRUE(root);
  EXPECT_EQ(0, root->GetByPath("installer_event.event_type")->GetEnumIndex());
  EXPECT_EQ("installer-7", root->GetByPath("identifiers.network_installer_id")->GetString());
  EXPECT_EQ(InstallerSession::GetInstance()->GetSessionGuid(),
            root->GetByPath("identifiers.session_guid")->GetString());
  AvroDatum* campaign = root->GetByPath("context.campaign");
  EXPECT_EQ("mail", campaign->GetByPath("source")->GetString());
  // An empty tracking value is not reported.
  EXPECT_EQ(0u, campaign->GetField("name")->GetUnionBranchIndex());
  EXPECT_EQ(0u, campaign->GetField("medium")->GetUnionBranchIndex());
}

}  // namespace
