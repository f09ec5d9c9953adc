// SPDX-License-Identifier: GPL-3.0-or-later
#include "video/EncoderModule.h"

#include <dlfcn.h>

#include <cstddef>
#include <string>
#include <vector>

#include "image/PartialFiles.h"

namespace {

using CreateFunction = VideoWriter* (*)(int, const EncoderHost*);

constexpr EncoderHost kHost{&BeginInterruptionHold, &EndInterruptionHold};

#ifdef GRIMASSO_ENCODERS_LINKED
extern "C" VideoWriter* GrimassoCreateEncodedVideoWriter(int format, const EncoderHost* host);

CreateFunction LoadEncoderModule()
{
    return &GrimassoCreateEncodedVideoWriter;
}
#else
// The module from the folders the program itself searches (its run path
// first). A plain dlopen by name would search those of its caller, which is
// not the program when a sanitizer's runtime stands in for dlopen.
void* OpenEncoderModule()
{
    void* program = ::dlopen(nullptr, RTLD_LAZY);
    Dl_serinfo size{};
    if (program != nullptr && ::dlinfo(program, RTLD_DI_SERINFOSIZE, &size) == 0) {
        std::vector<std::max_align_t> storage(size.dls_size / sizeof(std::max_align_t) + 1);
        auto* folders = reinterpret_cast<Dl_serinfo*>(storage.data());
        *folders = size;
        if (::dlinfo(program, RTLD_DI_SERINFO, folders) == 0)
            for (unsigned i = 0; i < folders->dls_cnt; ++i) {
                const std::string path = std::string(folders->dls_serpath[i].dls_name) + "/" + kEncoderModuleName;
                if (void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
                    return module;
            }
    }
    return ::dlopen(kEncoderModuleName, RTLD_NOW | RTLD_LOCAL);
}

// Loaded once and never unloaded: writers made by it may live anywhere.
CreateFunction LoadEncoderModule()
{
    static const CreateFunction create = []() -> CreateFunction {
        void* module = OpenEncoderModule();
        if (module == nullptr)
            return nullptr;
        return reinterpret_cast<CreateFunction>(::dlsym(module, kEncoderModuleEntry));
    }();
    return create;
}
#endif

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
