#include "desktop/windows/installer/avro_stats/test_support/recording_stats_sender.h"

#include <string_view>
#include <utility>

#include "base/location.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/avro_stats/avro/avro_datum.h"
#include "desktop/windows/installer/avro_stats/installer_event.h"
#include "desktop/windows/installer/avro_stats/statistics_schema.h"

namespace {

// Follows record fields and non-null union branches without switching any
// union on, so that an absent detail reads as absent.
const AvroDatum* Find(const AvroDatum* datum, std::string_view path) {
  auto step_into_union = [](const AvroDatum* d) -> const AvroDatum* {
    if (d && d->GetType() == AvroType::kUnion)
      return d->GetUnionBranchIndex() == 0 ? nullptr : d->GetUnionBranch();
    return d;
  };
  datum = step_into_union(datum);
  while (datum && !path.empty()) {
    const size_t dot = path.find('.');
    datum = step_into_union(datum->GetField(path.substr(0, dot)));
    path = dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1);
  }
  return datum;
}

const AvroDatum* FindDetail(const AvroDatum* message, const std::string& path) {
  return Find(Find(message, "installer_event"), path);
}

}  // namespace

std::optional<int> RecordingStatsSender::Record::Int(const std::string& path) const {
  const AvroDatum* datum = FindDetail(message.get(), path);
  if (!datum || datum->GetType() != AvroType::kInt)
    return std::nullopt;
  return datum->GetInt();
}

std::optional<std::string> RecordingStatsSender::Record::String(const std::string& path) const {
  const AvroDatum* datum = FindDetail(message.get(), path);
  if (!datum || datum->GetType() != AvroType::kString)
    return std::nullopt;
  return datum->GetString();
}

std::optional<size_t> RecordingStatsSender::Record::ArraySize(const std::string& path) const {
  const AvroDatum* datum = FindDetail(message.get(), path);
  if (!datum || datum->GetType() != AvroType::kArray)
    return std::nullopt;
  return datum->GetArraySize();
}

RecordingStatsSender::RecordingStatsSender() = default;
RecordingStatsSender::~RecordingStatsSender() = default;

void RecordingStatsSender::SetTrafficAllowed(bool /*allowed*/) {}

void RecordingStatsSender::Send(std::unique_ptr<InstallerEvent> event) {
  std::shared_ptr<AvroDatum> message = AvroDatum::Create(GetInstallerSchema());
  event->ToDatum(message.get());
  base::AutoLock hold(lock_);
  if (finished_) {
    ++lost_;
    return;
  }
  records_.push_back(Record{event->GetName(), std::move(message)});
}

void RecordingStatsSender::SendPendingAndShutdown(base::OnceClosure done) {
  RunAvroBeforeShutdownHook();
  {
    base::AutoLock hold(lock_);
    finished_ = true;
  }
  if (base::ThreadTaskRunnerHandle::IsSet())
    base::ThreadTaskRunnerHandle::Get()->PostTask(FROM_HERE, std::move(done));
  else
    std::move(done).Run();
}

std::vector<std::string> RecordingStatsSender::names() const {
  base::AutoLock hold(lock_);
  std::vector<std::string> names;
  for (const Record& record : records_)
    names.push_back(record.name);
  return names;
}

std::vector<const RecordingStatsSender::Record*> RecordingStatsSender::Named(
    const std::string& name) const {
  base::AutoLock hold(lock_);
  std::vector<const Record*> found;
  for (const Record& record : records_) {
    if (record.name == name)
      found.push_back(&record);
  }
  return found;
}

ScopedRecordingStatsSender::ScopedRecordingStatsSender() {
  auto sender = std::make_unique<RecordingStatsSender>();
  sender_ = sender.get();
  SetAvroStatsSender(std::move(sender));
}

ScopedRecordingStatsSender::~ScopedRecordingStatsSender() {
  SetAvroStatsSender(nullptr);
}
