#include "platform/SharedLibrary.h"

#include "platform/ProgramInfo.h"

#include <dlfcn.h>
#include <filesystem>
#include <system_error>

namespace {

std::string LoaderError(const std::string& fallback)
{
    const char* text = ::dlerror();
    return text != nullptr ? text : fallback;
}

} // namespace

CSharedLibrary::~CSharedLibrary()
{
    if (m_handle != nullptr)
        ::dlclose(m_handle);
}

bool CSharedLibrary::Open(const std::string& path)
{
    // RTLD_NODELETE: see the class comment.
    if (m_handle != nullptr)
        ::dlclose(m_handle);
    m_handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (m_handle == nullptr)
        m_error = LoaderError(path + ": cannot be loaded");
    return m_handle != nullptr;
}

void* CSharedLibrary::Symbol(const char* name)
{
    if (m_handle == nullptr)
        return nullptr;
    ::dlerror();
    void* address = ::dlsym(m_handle, name);
    if (address == nullptr)
        m_error = LoaderError(std::string(name) + ": no such symbol");
    return address;
}

bool CSharedLibrary::OpenPrivate(const std::string& fileName)
{
    const std::vector<std::string> candidates = PrivateCandidates(ExecutablePath("korvane"), fileName);
    for (const std::string& candidate : candidates) {
        std::error_code error;
        if (std::filesystem::exists(candidate, error))
            return Open(candidate);
    }
    return Open(candidates.back());
}

std::vector<std::string> CSharedLibrary::PrivateCandidates(const std::string& programPath, const std::string& fileName)
{
    const std::filesystem::path folder = std::filesystem::path(programPath).parent_path();
    return { (folder / fileName).string(), (folder / KORVANE_PRIVATE_LIBDIR / fileName).lexically_normal().string() };
}
