// What only the shared library adds to the protocol code: the runtime version
// query and the hand-over of the diagnostic lines to the application's
// function (none by default, so the library writes nothing anywhere).
#include <cstdint>
#include <string_view>

#include "base/debug_log.h"
#include "libkvprotocol/kvprotocol.h"

namespace {

class FunctionSink final : public LogSink {
public:
    void set(KVLogFunction function, void* context) {
        function_ = function;
        context_ = context;
    }
    bool writeLine(std::string_view line, bool /*flush*/) override {
        function_(line.data(), line.size(), context_);
        return true;
    }
    void writeDump(const void* /*bytes*/, size_t /*count*/) override {}
    void endHold() override {}
    void close() override {}

private:
    KVLogFunction function_ = nullptr;
    void* context_ = nullptr;
};

FunctionSink& functionSink() {
    static FunctionSink sink;
    return sink;
}

}  // namespace

extern "C" uint32_t kvprotocolVersion(void) { return KVPROTOCOL_VERSION; }

extern "C" void kvSetLogFunction(KVLogFunction function, void* context) {
    functionSink().set(function, context);
    setLogSink(function != nullptr ? &functionSink() : nullptr);
}
