#include "platform/SharedLibrary.h"

#include <dlfcn.h>

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
