#include "platform/SoundPlayer.h"

#include "platform/Process.h"
#include "platform/SystemInfo.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kRate = 22050;

void PutLe(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A mono 16-bit wave file of the given notes, each fading out.
std::string ToneWave(const std::vector<double>& notes, double seconds)
{
    std::string samples;
    const int perNote = static_cast<int>(kRate * seconds);
    for (double frequency : notes) {
        for (int i = 0; i < perNote; ++i) {
            const double fade = 1.0 - static_cast<double>(i) / perNote;
            const double value = std::sin(2 * M_PI * frequency * i / kRate) * fade * 9000;
            PutLe(samples, static_cast<std::uint16_t>(static_cast<std::int16_t>(value)), 2);
        }
    }
    std::string wave = "RIFF";
    PutLe(wave, static_cast<std::uint32_t>(36 + samples.size()), 4);
    wave += "WAVEfmt ";
    PutLe(wave, 16, 4);
    PutLe(wave, 1, 2); // PCM
    PutLe(wave, 1, 2); // mono
    PutLe(wave, kRate, 4);
    PutLe(wave, kRate * 2, 4);
    PutLe(wave, 2, 2);
    PutLe(wave, 16, 2);
    wave += "data";
    PutLe(wave, static_cast<std::uint32_t>(samples.size()), 4);
    return wave + samples;
}

std::vector<double> NotesOf(int resource)
{
    switch (resource) {
    case 146:
        return { 660, 880 };
    case 153:
        return { 440, 330 };
    default:
        return { 740 };
    }
}

std::string WriteWave(int resource)
{
    const std::string path = CSystemInfo::TempPath() + "/korvane-sound-" + std::to_string(resource) + ".wav";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << ToneWave(NotesOf(resource), 0.15);
    return out ? path : std::string();
}

} // namespace

void CSoundPlayer::Play(int)
{
}

void CDesktopSoundPlayer::Play(int resource)
{
    std::thread([resource] {
        const std::string path = WriteWave(resource);
        if (path.empty())
            return;
        if (RunHelperProgram("paplay", { path }) == kHelperNotFound)
            RunHelperProgram("aplay", { "-q", path });
    }).detach();
}
