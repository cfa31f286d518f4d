#include "desktop/windows/l10n_handler/language_id_lookup.h"

#include "base/strings/string_util.h"

namespace {

struct LanguageId {
  const wchar_t* code;
  LANGID id;
};

constexpr LanguageId kLanguageIds[] = {
    {L"af", 0x436},        {L"am", 0x45E},          {L"ar", 0x401},     {L"be", 0x423},
    {L"bg", 0x402},        {L"bn", 0x445},          {L"ca", 0x403},     {L"cs", 0x405},
    {L"da", 0x406},        {L"de", 0x407},          {L"el", 0x408},     {L"en", 0x409},
    {L"en-gb", 0x809},     {L"es", 0xC0A},          {L"es-419", 0x80A}, {L"et", 0x425},
    {L"eu", 0x42D},        {L"fa", 0x429},          {L"fake-bidi", 0x40D}, {L"fi", 0x40B},
    {L"fil", 0x464},       {L"fr", 0x40C},          {L"fr-ca", 0xC0C},  {L"gl", 0x456},
    {L"gu", 0x447},        {L"he", 0x40D},          {L"hi", 0x439},     {L"hr", 0x41A},
    {L"hu", 0x40E},        {L"id", 0x421},          {L"is", 0x40F},     {L"it", 0x410},
    {L"iw", 0x40D},        {L"ja", 0x411},          {L"kn", 0x44B},     {L"ko", 0x412},
    {L"lt", 0x427},        {L"lv", 0x426},          {L"ml", 0x44C},     {L"mr", 0x44E},
    {L"ms", 0x43E},        {L"nb", 0x414},          {L"ne", 0x461},     {L"neutral", 0},
    {L"nl", 0x413},        {L"nn", 0x814},          {L"no", 0x414},     {L"or", 0x448},
    {L"pa", 0x446},        {L"pl", 0x415},          {L"pt-br", 0x416},  {L"pt-pt", 0x816},
    {L"ro", 0x418},        {L"ru", 0x419},          {L"sa", 0x44F},     {L"si", 0x45B},
    {L"sk", 0x41B},        {L"sl", 0x424},          {L"sr", 0xC1A},     {L"sv", 0x41D},
    {L"sw", 0x441},        {L"ta", 0x449},          {L"te", 0x44A},     {L"th", 0x41E},
    {L"ti", 0x873},        {L"tl", 0x400},          {L"tr", 0x41F},     {L"uk", 0x422},
    {L"ur", 0x420},        {L"userdefault", 0x400}, {L"vi", 0x42A},     {L"zh-cn", 0x804},
    {L"zh-hk", 0xC04},     {L"zh-tw", 0x404},       {L"zu", 0x435},
};

}  // namespace

LANGID LookupLanguageId(std::wstring_view language_code) {
  for (const LanguageId& entry : kLanguageIds) {
    if (base::EqualsCaseInsensitiveASCII(language_code, entry.code))
      return entry.id;
  }
  return 0;
}
