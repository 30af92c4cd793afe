// Tones through waveOut. Beep is no choice: Windows routes it through the sound card only on some
// versions and is silent under Wine, while waveOut plays everywhere a sound device is.
//
// The device signals the event on open, on each finished buffer and on close, so the wait checks
// WHDR_DONE after every signal. A buffer still queued when the wait gives up is taken back with
// waveOutReset before it is unprepared: the device may not read freed samples.

#include "platform/tone_device.h"
#include "platform/windows/unique_handle.h"

namespace platform::tone {
namespace {

constexpr DWORD kSlackMs = 1000;  // a device that never reports the end does not hold the window

bool WaitUntilPlayed(const WAVEHDR& header, HANDLE signal, DWORD durationMs) {
    const ULONGLONG deadline = GetTickCount64() + durationMs + kSlackMs;
    // The device's thread sets the flag; volatile keeps the loop reading it after each signal.
    const volatile DWORD& flags = header.dwFlags;
    while ((flags & WHDR_DONE) == 0) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline ||
            WaitForSingleObject(signal, static_cast<DWORD>(deadline - now)) != WAIT_OBJECT_0) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool PlayOnDevice(const std::vector<std::int16_t>& samples) {
    const win32::UniqueHandle signal(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!signal || samples.empty()) {
        return false;
    }
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = kRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = kRate * format.nBlockAlign;
    HWAVEOUT device = nullptr;
    if (waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(signal.get()), 0,
                    CALLBACK_EVENT) != MMSYSERR_NOERROR) {
        return false;
    }
    WAVEHDR header{};
    header.lpData = reinterpret_cast<LPSTR>(const_cast<std::int16_t*>(samples.data()));
    header.dwBufferLength = static_cast<DWORD>(samples.size() * sizeof samples[0]);
    bool played = false;
    if (waveOutPrepareHeader(device, &header, sizeof header) == MMSYSERR_NOERROR) {
        const DWORD durationMs = static_cast<DWORD>(samples.size() * 1000 / kRate);
        played = waveOutWrite(device, &header, sizeof header) == MMSYSERR_NOERROR &&
                 WaitUntilPlayed(header, signal.get(), durationMs);
        if (!played) {
            waveOutReset(device);
        }
        waveOutUnprepareHeader(device, &header, sizeof header);
    }
    waveOutClose(device);
    return played;
}

}  // namespace platform::tone
