// SPDX-License-Identifier: GPL-3.0-or-later
#include "video/EncoderModule.h"

#include <dlfcn.h>

#include "image/PartialFiles.h"

namespace {

using CreateFunction = VideoWriter* (*)(int, const EncoderHost*);

constexpr EncoderHost kHost{&BeginInterruptionHold, &EndInterruptionHold};

// Loaded once and never unloaded: writers made by it may live anywhere.
CreateFunction LoadEncoderModule()
{
    static const CreateFunction create = []() -> CreateFunction {
        void* module = ::dlopen(kEncoderModuleName, RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr)
            return nullptr;
        return reinterpret_cast<CreateFunction>(::dlsym(module, kEncoderModuleEntry));
    }();
    return create;
}

class UnavailableVideoWriter : public VideoWriter {
public:
    bool Open(const std::string&) override { return false; }
    bool CreateVideoStream(const VideoFormatBlock&, std::uint32_t, std::uint32_t) override { return false; }
    bool WriteFrame(const void*, std::size_t) override { return false; }
    bool EndStream() override { return false; }
    bool Close() override { return false; }
    void Abandon() override {}
};

}  // namespace

std::unique_ptr<VideoWriter> CreateEncodedVideoWriter(EncodedFormat format)
{
    if (const CreateFunction create = LoadEncoderModule())
        if (VideoWriter* writer = create(static_cast<int>(format), &kHost))
            return std::unique_ptr<VideoWriter>(writer);
    return std::make_unique<UnavailableVideoWriter>();
}
