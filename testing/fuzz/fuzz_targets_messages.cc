// Inputs that arrive from other processes or the network: installer
// messages (any local process may write to the mailslot), the tracking blob
// on the command line, the download-URL reply, statistics messages, and the
// custom information of a crashed client.
#include <cwctype>
#include <memory>

#include "base/base64.h"
#include "base/pickle.h"
#include "base/values.h"
#include "crash_reporter/client_keys.h"
#include "desktop/windows/installer/avro_stats/avro/avro_codec.h"
#include "desktop/windows/installer/avro_stats/avro/avro_datum.h"
#include "desktop/windows/installer/avro_stats/statistics_schema.h"
#include "desktop/windows/installer/ipc/installer_message_builder.h"
#include "desktop/windows/installer/ipc/installer_message_reader.h"
#include "desktop/windows/installer/package_fetcher/download_url_request.h"
#include "desktop/windows/installer/utils/server_tracking_blob.h"
#include "testing/fuzz/fuzz_target.h"

namespace fuzz {
namespace {

std::string PickleBytes(const std::unique_ptr<base::Pickle>& pickle) {
  return std::string(static_cast<const char*>(pickle->data()), pickle->size());
}

// The secret the seeds carry and the target expects: mutations reach what
// the main process reads once a message proved to be the run's.
const RunSecret& FuzzSecret() {
  static const RunSecret secret =
      RunSecret::FromBytesForTesting(std::string(RunSecret::kSize, '\x5a'));
  return secret;
}

std::vector<std::string> MessageSeeds() {
  const InstallerMessageBuilder m(FuzzSecret());
  return {PickleBytes(m.StartingNewMainProcess(true)), PickleBytes(m.Notify()),
          PickleBytes(m.TotalSteps(12)), PickleBytes(m.StepStarting("CopyFiles")),
          PickleBytes(m.StepFinished("CopyFiles", 2, 7)),
          PickleBytes(m.ImportantEvent("elevated")),
          PickleBytes(m.Error(RESULT_SUCCESS, L"Setup failed \u00e9", "detail")),
          PickleBytes(m.Success()), PickleBytes(m.EnteringPhase(3)),
          PickleBytes(m.ReturnedToPreviousMainProcess())};
}

bool SameMessage(const InstallerMessage& a, const InstallerMessage& b) {
  return a.type == b.type && a.value == b.value && a.text == b.text && a.attempt == b.attempt &&
         a.completed == b.completed && a.code == b.code && a.message == b.message;
}

// A refused message leaves the caller's record as it was.
std::string RunInstallerMessage(const std::string& input, const base::FilePath&, bool* accepted) {
  base::Pickle pickle(input.data(), input.size());
  InstallerMessage before;
  before.type = IPC_MESSAGE_ENTERING_PHASE;
  before.value = 77;
  before.text = "kept";
  before.attempt = 5;
  before.completed = 6;
  before.message = L"kept";
  InstallerMessage message = before;
  // Both layouts, as while an installer of an earlier version runs.
  if (ReadInstallerMessage(pickle, FuzzSecret(), /*without_secret_read=*/true, &message) !=
      InstallerMessageStatus::kAccepted)
    return SameMessage(message, before) ? "" : "a refused message changed the record";
  *accepted = true;
  if (message.type < 0 || message.type >= IPC_MESSAGE_TYPE_COUNT)
    return "accepted a type out of range";
  if (message.type == IPC_MESSAGE_ERROR && message.code == RESULT_SUCCESS)
    return "accepted an error that says success";
  base::ObserverList<InstallerObserver> observers;
  NotifyInstallerObservers(message, &observers);
  return "";
}

std::string Base64(const std::string& text) {
  std::string encoded;
  base::Base64Encode(text, &encoded);
  return encoded;
}

constexpr char kBlobJson[] =
    "{\"utm.medium\":\"banner\",\"uuid\":\"3f2a\",\"campaign\":{\"id\":5}}";

// "!" and then the decoded form: the target encodes it, so that mutations
// reach the JSON inside.
std::vector<std::string> BlobSeeds() {
  const std::string digest(64, 'a');
  return {Base64(digest + ":" + kBlobJson) + "    ", std::string("!") + digest + ":" + kBlobJson,
          "!:{}", "!}{", "!{\"a\":[1,{\"b\":null}]}", "!" + digest, "====", "", "!"};
}

std::string RunTrackingBlob(const std::string& input, const base::FilePath&, bool* accepted) {
  const std::string text = !input.empty() && input[0] == '!' ? Base64(input.substr(1)) : input;
  ServerTrackingBlob blob;
  if (!blob.Parse(Base64(std::string(":") + kBlobJson)))
    return "the reference blob does not parse";
  blob.Set("set", "value");
  const std::string before = blob.Serialize();
  if (!blob.Parse(text))
    return blob.Serialize() == before ? "" : "a refused blob changed the data";
  *accepted = true;
  const std::string serialized = blob.Serialize();
  if (serialized.size() % 8 != 0)
    return "the serialised blob is not padded to 8";
  ServerTrackingBlob again;
  if (!again.Parse(serialized))
    return "the serialised blob does not parse again";
  std::string value;
  if (!again.Get("set", &value) || value != "value")
    return "a set value is lost on the way";
  return "";
}

std::vector<std::string> DownloadUrlSeeds() {
  return {"{\"url\":\"https://dl.example/full.exe\",\"checksum\":\"ab12\","
          "\"minimal_url\":\"https://dl.example/min.exe\",\"minimal_checksum\":\"cd34\","
          "\"components\":[\"widevine\",\"hyphenation\"]}",
          "{\"url\":5}", "{\"components\":{}}", "[]", "nul", "{\"url\":\"\"}", ""};
}

std::string RunDownloadUrlReply(const std::string& input, const base::FilePath&, bool* accepted) {
  DownloadUrlRequest request;
  std::string error;
  if (!request.ParseReply(input, &error)) {
    if (request.reply() || error.empty() || !request.package_url().empty())
      return "a refused reply left a result or no reason";
    return "";
  }
  *accepted = true;
  if (!request.reply())
    return "an accepted reply without its dictionary";
  for (const std::vector<std::string>& needed :
       {std::vector<std::string>{}, std::vector<std::string>{"widevine"}}) {
    error.clear();
    if (!request.ChoosePackage(needed, &error) && error.empty())
      return "no package chosen without a reason";
  }
  return "";
}

using SchemaPtr = AvroSchemaNode::Ptr;

// The first byte chooses the schema: the installer's own statistics schema
// or one of the small ones of the codec tests.
SchemaPtr AvroSchemaFor(unsigned char selector) {
  switch (selector % 5) {
    case 0: return GetInstallerSchema();
    case 1: return AvroSchemaNode::CreateArray(1, AvroSchemaNode::CreateInt(1));
    case 2: return AvroSchemaNode::CreateMap(1, AvroSchemaNode::CreateString(1));
    case 3:
      return AvroSchemaNode::CreateRecord(
          1, "", "r", {{"s", AvroSchemaNode::CreateString(1)}, {"n", AvroSchemaNode::CreateLong(1)}});
    default:
      return AvroSchemaNode::CreateUnion(
          1, {AvroSchemaNode::CreateNull(1), AvroSchemaNode::CreateBytes(1)});
  }
}

std::vector<std::string> AvroSeeds() {
  std::vector<std::string> seeds = {std::string("\x01\x04\x02\x04\x00", 5),
                                    std::string("\x02\x02\x02k\x02v\x00", 7),
                                    std::string("\x03\x02" "a\x04", 4),
                                    std::string("\x04\x02\x02x", 4),
                                    std::string("\x01\x03\x04\x02\x00", 5)};
  std::unique_ptr<AvroDatum> datum = AvroDatum::Create(GetInstallerSchema());
  seeds.push_back(std::string(1, '\0') + AvroCodec().Encode(*datum));
  return seeds;
}

// What decodes encodes to bytes that decode to the same datum.
std::string RunAvroDecoder(const std::string& input, const base::FilePath&, bool* accepted) {
  if (input.empty())
    return "";
  AvroCodec codec;
  SchemaPtr schema = AvroSchemaFor(static_cast<unsigned char>(input[0]));
  std::unique_ptr<AvroDatum> datum = codec.Decode(schema, std::string_view(input).substr(1));
  if (!datum)
    return "";
  *accepted = true;
  const std::string encoded = codec.Encode(*datum);
  std::unique_ptr<AvroDatum> again = codec.Decode(schema, encoded);
  if (!again)
    return "a decoded datum's encoding does not decode";
  if (codec.Encode(*again) != encoded)
    return "a decoded datum changes when encoded and decoded again";
  return "";
}

// Entries as the reporter reads them from the client: whole 64-unit name
// and value arrays, up to 64 of them.
std::vector<crash_reporter::CustomInfoEntry> EntriesFrom(const std::string& input) {
  constexpr size_t kEntry = sizeof(crash_reporter::CustomInfoEntry);
  std::vector<crash_reporter::CustomInfoEntry> entries(std::min<size_t>(input.size() / kEntry, 64));
  if (!entries.empty())
    memcpy(entries.data(), input.data(), entries.size() * kEntry);
  return entries;
}

std::string EntryBytes(const std::wstring& name, const std::wstring& value) {
  crash_reporter::CustomInfoEntry entry = {};
  wcsncpy(entry.name, name.c_str(), crash_reporter::kCustomInfoUnits);
  wcsncpy(entry.value, value.c_str(), crash_reporter::kCustomInfoUnits);
  return std::string(reinterpret_cast<const char*>(&entry), sizeof(entry));
}

std::vector<std::string> ClientKeySeeds() {
  return {EntryBytes(L"prod", L"Tarvo") + EntryBytes(L"ver", L"118.0") +
              EntryBytes(L"ptype", L"installer"),
          EntryBytes(L"url-1", L"abc") + EntryBytes(L"url-2", L"def") +
              EntryBytes(L"url-1", L"late") + EntryBytes(L"url-1024", L"x") +
              EntryBytes(L"url-1025", L"y"),
          EntryBytes(L"unspecified-crash-key", L"x") + EntryBytes(L"bad name", L"x") +
              EntryBytes(L"", L"empty"),
          std::string(sizeof(crash_reporter::CustomInfoEntry), '\xFF')};
}

bool ValidKeyName(const std::wstring& name) {
  if (name.empty() || name.size() > 63 || name == L"unspecified-crash-key")
    return false;
  for (wchar_t c : name) {
    if (!(c < 0x80 && (iswalnum(c) || c == L'.' || c == L'-' || c == L'_')))
      return false;
  }
  return true;
}

std::string RunClientKeys(const std::string& input, const base::FilePath&, bool* accepted) {
  const std::vector<crash_reporter::CustomInfoEntry> entries = EntriesFrom(input);
  const crash_reporter::CrashParameters keys = crash_reporter::ParseClientKeys(entries);
  *accepted = !keys.empty();
  for (const auto& [name, value] : keys) {
    if (!ValidKeyName(name))
      return "a key with an invalid name was taken";
    if (value.size() > static_cast<size_t>(crash_reporter::kCustomInfoUnits - 1) *
                           crash_reporter::kMaxChunkNumber)
      return "a value longer than its chunks can hold";
    if (value.find(L'\0') != std::wstring::npos)
      return "a value with a terminator inside";
  }
  if (crash_reporter::ParseClientKeys(entries) != keys)
    return "two reads of the same entries differ";
  return "";
}

}  // namespace

FuzzTarget InstallerMessageTarget() {
  return {"installer_message", InputFormat::kPickle, MessageSeeds, RunInstallerMessage};
}
FuzzTarget TrackingBlobTarget() {
  return {"tracking_blob", InputFormat::kBytes, BlobSeeds, RunTrackingBlob};
}
FuzzTarget DownloadUrlReplyTarget() {
  return {"download_url_reply", InputFormat::kJson, DownloadUrlSeeds, RunDownloadUrlReply};
}
FuzzTarget AvroDecoderTarget() {
  return {"avro_decoder", InputFormat::kBytes, AvroSeeds, RunAvroDecoder};
}
FuzzTarget ClientKeysTarget() {
  return {"client_keys", InputFormat::kBytes, ClientKeySeeds, RunClientKeys};
}

}  // namespace fuzz
