#pragma once

#include <functional>
#include <string>

// What a password store answered.
struct PasswordResult {
    enum class Status {
        Ok, // done; for a read, password holds the password
        NotFound, // a read found no password under the key
        Unreachable, // the store could not be asked or did not answer
    };
    Status status = Status::Unreachable;
    std::string password;
    std::string reason; // Unreachable: why, in the store's own words

    bool Ok() const { return status == Status::Ok; }
};

// A place that keeps passwords outside the settings file (the desktop's
// keyring). Each operation answers exactly once. Implementations decide on
// which thread Start's answer comes; callers use Call or CallAsync, which
// bring it back to them.
class CPasswordStore {
public:
    enum class Operation { Read, Write, Remove };
    using Done = std::function<void(const PasswordResult&)>;

    virtual ~CPasswordStore() = default;

    // Starts one operation; done runs exactly once, on any thread, possibly
    // before Start returns. Removing a key that holds nothing is Ok.
    virtual void Start(Operation operation, const std::string& key, const std::string& password, Done done) = 0;

    // Waits for the answer: for the run and scheduler threads. On the
    // interface thread it keeps serving that thread's events while it waits,
    // so the windows stay alive and nothing the answer needs can be stuck
    // behind the wait.
    PasswordResult Call(Operation operation, const std::string& key, const std::string& password = {});

    // Returns at once; done runs later on the calling thread, which must run
    // a Qt event loop (the interface thread).
    void CallAsync(Operation operation, const std::string& key, const std::string& password, Done done);
};
