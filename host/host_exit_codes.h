#ifndef HOST_HOST_EXIT_CODES_H_
#define HOST_HOST_EXIT_CODES_H_

// Exit codes of installer.exe when it cannot run the engine at all. They lie
// below the engine's own codes (0, and the result plus 100).
namespace tarvo_host {

inline constexpr int kExitNoOwnPath = 2;
inline constexpr int kExitEngineNotLoaded = 3;
inline constexpr int kExitNoEntryPoint = 4;

}  // namespace tarvo_host

#endif  // HOST_HOST_EXIT_CODES_H_
