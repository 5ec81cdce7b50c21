// The yardstick of load_unload: a DLL with the same compiler runtime linked
// in as QuarnZGraph.dll and nothing of its own but one static string on the
// heap and one exported function.
#include <string>

namespace {
std::string greeting = "a string too long for the small-string buffer";
}  // namespace

extern "C" __declspec(dllexport) int plain_Length() {
    return int(greeting.size());
}
