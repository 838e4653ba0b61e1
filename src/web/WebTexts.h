#pragma once

// The messages of the update check, the feedback form and the web links.
namespace WebTexts {

inline constexpr const char* kNotConnected = "You need to be connected to the internet for this to work.";
inline constexpr const char* kNewVersion = "Version %s is available for download. Do you want more information?";
inline constexpr const char* kOpenBrowser = "This will open your default web browser. Do you want to continue?";
inline constexpr const char* kOpenFailed = "Failed to open '%s'. Please check your installation.";
inline constexpr const char* kCantOpenLink
    = "Can't open link:\n\nThere is no application associated\nwith the given filename extension.";
inline constexpr const char* kRetrieving = "Retrieving version information...";
inline constexpr const char* kCommentEmpty = "The 'Comment' field cannot be empty!";
inline constexpr const char* kFeedbackSent = "Your feedback was sent successfully!";
inline constexpr const char* kBadStatus = "Failed to get return code for operation.";

} // namespace WebTexts
