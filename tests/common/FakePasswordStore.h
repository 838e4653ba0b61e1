#pragma once

#include "platform/PasswordStore.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// A password store in memory. It answers at once, or, while holding,
// keeps its answers until Release; Unreachable makes it answer like a
// keyring that cannot be asked (no session bus, a locked keyring).
class FakePasswordStore : public CPasswordStore {
public:
    void Start(Operation operation, const std::string& key, const std::string& password, Done done) override
    {
        std::unique_lock lock(m_mutex);
        ++requests;
        PasswordResult result = Answer(operation, key, password);
        if (holding) {
            m_held.push_back([done, result] { done(result); });
            return;
        }
        lock.unlock();
        done(result);
    }

    // Gives the answers kept while holding, in order, and stops holding.
    void Release()
    {
        std::vector<std::function<void()>> held;
        {
            std::lock_guard lock(m_mutex);
            holding = false;
            held.swap(m_held);
        }
        for (const auto& answer : held)
            answer();
    }

    bool Holds(const std::string& key) const
    {
        std::lock_guard lock(m_mutex);
        return entries.count(key) != 0;
    }

    std::string Entry(const std::string& key) const
    {
        std::lock_guard lock(m_mutex);
        const auto found = entries.find(key);
        return found == entries.end() ? std::string() : found->second;
    }

    std::map<std::string, std::string> entries;
    bool unreachable = false;
    std::string unreachableReason = "Cannot autolaunch D-Bus without X11 $DISPLAY";
    bool holding = false;
    int requests = 0;

private:
    PasswordResult Answer(Operation operation, const std::string& key, const std::string& password)
    {
        PasswordResult result;
        if (unreachable) {
            result.reason = unreachableReason;
            return result;
        }
        result.status = PasswordResult::Status::Ok;
        if (operation == Operation::Write) {
            entries[key] = password;
        } else if (operation == Operation::Remove) {
            entries.erase(key);
        } else if (const auto found = entries.find(key); found != entries.end()) {
            result.password = found->second;
        } else {
            result.status = PasswordResult::Status::NotFound;
        }
        return result;
    }

    mutable std::mutex m_mutex;
    std::vector<std::function<void()>> m_held;
};
