#pragma once

#include <cstdint>
#include <string>

// The program settings, one record for the whole run. Field names are the
// value names of the settings file; the three groups are its three keys
// ("Settings\General", "Settings\Actions", "Settings\Scheduler"), so the two
// DisplaySummary and DisplayError values stay separate fields.
struct SettingsRecord {
    struct GeneralSettings {
        std::int32_t GridlinesList = 0;
        std::int32_t CheckUpdates = 1;
        std::int32_t AlphaBlending = 0;
        std::int32_t AutomaticScan = 1;
        std::int32_t ClusterSize = 3; // cluster bytes = 512 << ClusterSize
        std::int32_t TooltipDelay = 500;
        std::int32_t CompareType = 0; // 0 size and modification time, 1 CRC-32
        std::int32_t LogActivate = 0;
        std::string LogFileName;
        // Beyond the original store: the base address of the vendor's web
        // server (update check, feedback, support page); empty means the
        // vendor's own. Only https addresses are used.
        std::string WebServer;

        bool operator==(const GeneralSettings&) const = default;
    };

    struct ActionSettings {
        std::int32_t NoInteract = 0;
        std::int32_t DisplaySummary = 1;
        std::int32_t PlaySound = 1;
        std::int32_t PostShutdown = 0;
        std::int32_t DisplayError = 1;
        std::int32_t BackupDelete = 0;
        std::int32_t BackupSecurity = 0;
        std::int32_t BackupCompression = 0;
        std::int32_t BackupOverwrite = 0;
        std::int32_t BackupTrash = 1;
        std::int32_t RestoreOverwrite = 0;
        std::int32_t RestoreSecurity = 0;
        std::int32_t RestoreCompression = 0;
        std::int32_t RestoreTrash = 1;

        bool operator==(const ActionSettings&) const = default;
    };

    struct SchedulerSettings {
        std::string SMTPServer; // the default comes from LoadSettings
        std::int32_t SMTPPort = 25;
        std::int32_t SMTPLoginRequired = 0;
        std::string SMTPLogin;
        std::string SMTPPassword; // plain text here; scrambled in the file
        std::int32_t TrayHideIdle = 0;
        std::int32_t TrayAnimate = 1;
        std::int32_t TrayPlaySound = 1;
        std::int32_t TrayBalloons = 1;
        std::int32_t DisplaySummary = 0;
        std::int32_t DisplayError = 1;
        std::int32_t DisplayInformation = 0;
        std::int32_t DisplayProgress = 0;
        std::int32_t MissedEvents = 0; // 0 ignore, 1 notify, 2 execute
        // Beyond the original store: how the SMTP connection is secured
        // (0 none, 1 STARTTLS, 2 TLS from the first byte, port 465) and which
        // login SMTPLoginRequired uses, as an SmtpLoginMethod value
        // (1 CRAM-MD5, 2 AUTH LOGIN, 3 AUTH LOGIN PLAIN).
        std::int32_t SMTPSecurity = 0;
        std::int32_t SMTPLoginMethod = 2;
        // Beyond the original store: 1 keeps the SMTP password in the
        // desktop keyring under kSmtpPasswordKey; the settings file then
        // holds none and SMTPPassword stays empty here. 0 keeps the
        // scrambled value in the file, which older settings files rely on.
        std::int32_t SMTPPasswordInKeyring = 0;
        // Beyond the original store: 1 sends a desktop notification when a
        // scheduled event succeeds too (failures are always told).
        std::int32_t NotifySuccess = 0;

        bool operator==(const SchedulerSettings&) const = default;
    };

    // Computed when the program starts, never stored.
    bool IsNT = true;
    std::int32_t OsMajorVersion = 0;
    std::int32_t OsMinorVersion = 0;
    bool HasConnectivityProbe = true;
    std::string ModulePath; // full path of the running program

    GeneralSettings General;
    ActionSettings Actions;
    // True when the automatic start at logon names this program.
    bool SchedulerActive = false;
    SchedulerSettings Scheduler;

    // The keyring entry of the SMTP password.
    static constexpr const char* kSmtpPasswordKey = "SMTPPassword";

    // Cluster size of the backup medium in bytes.
    std::uint64_t ClusterBytes() const { return 512ULL << (General.ClusterSize & 31); }

    // Every field compared, the computed ones included.
    bool operator==(const SettingsRecord&) const = default;
};
