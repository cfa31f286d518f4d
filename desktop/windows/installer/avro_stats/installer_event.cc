#include "desktop/windows/installer/avro_stats/installer_event.h"

#include <atomic>

#include "base/guid.h"
#include "base/logging.h"
#include "desktop/windows/installer/avro_stats/avro/avro_datum.h"
#include "desktop/windows/installer/avro_stats/statistics_record_writers.h"

namespace {

std::atomic<int32_t> g_message_session_counter{0};

// FILETIME ticks (100 ns) between 1601-01-01 and 1970-01-01.
constexpr int64_t kUnixEpochInFileTime = 116444736000000000LL;

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

void WriteDetail(AvroDatum* installer_event, const InstallerEvent::Detail& detail) {
  const std::string& path = detail.first;
  std::visit(
      Overloaded{
          [&](const std::string& value) { WriteString(installer_event, path, value); },
          [&](bool value) { WriteBool(installer_event, path, value); },
          [&](int32_t value) { WriteInt(installer_event, path, value); },
          [&](const InstallerEvent::EnumSymbol& value) {
            WriteEnumSymbol(installer_event, path, value.symbol);
          },
          [&](const InstallationSettings& value) {
            WriteInstallationSettings(installer_event, path, value);
          },
          [&](const PageTransitionStats& value) {
            WritePageTransitionStats(installer_event, path, value);
          },
          [&](const std::vector<FetchStatistics>& value) {
            WriteFetchStatistics(installer_event, path, value);
          },
      },
      detail.second);
}

}  // namespace

int64_t ToUnixMilliseconds(base::Time time) {
  return (static_cast<int64_t>(time.ToFileTime()) - kUnixEpochInFileTime) / 10000;
}

InstallerEvent::InstallerEvent(std::string name, std::vector<Detail> details, int32_t level)
    : creation_time_(base::Time::Now()),
      message_uuid_(base::GenerateGUID()),
      name_(std::move(name)),
      message_session_id_(g_message_session_counter.fetch_add(1) + 1),
      details_(std::move(details)),
      verbosity_level_(level) {}

InstallerEvent::~InstallerEvent() = default;

void InstallerEvent::ToDatum(AvroDatum* root) const {
  AvroDatum* event = root->GetByPath("installer_event");
  if (!event) {
    LOG(ERROR) << "Message datum without an installer_event record";
    return;
  }
  // An unknown name keeps the default symbol.
  WriteEnumSymbol(event, "event_type", name_);
  WriteInt(event, "message_session_id", message_session_id_);
  FillDetails(event);
  WriteLong(root, "EventTimestamp", ToUnixMilliseconds(creation_time_));
  // Taken again on every attempt: the time this copy is sent.
  WriteLong(root, "SentTimestamp", ToUnixMilliseconds(base::Time::Now()));
  WriteString(root, "QSPMessageUUID", message_uuid_);
}

const std::string& InstallerEvent::GetName() const {
  return name_;
}

int32_t InstallerEvent::GetVerbosityLevel() const {
  return verbosity_level_;
}

void InstallerEvent::FillDetails(AvroDatum* installer_event) const {
  for (const Detail& detail : details_)
    WriteDetail(installer_event, detail);
}
