// The serial device on Windows: the communications calls themselves, on a handle opened for
// overlapped I/O.
//
// OS traps handled here:
// - "COM1".."COM9" also open without the "\\.\" prefix, COM10 and above do not (they are not
//   DOS device names), so the prefix is always there.
// - The driver reads from a write's buffer until the write completes, possibly after the caller
//   has given up waiting and freed its own; a pending write therefore runs on a copy owned here.
//   A write left pending when the next one starts, or when the port closes, is cancelled and
//   reaped first: its OVERLAPPED and buffer may not be reused or freed while the driver has them.
// - A pending WaitCommEvent ends when the mask changes: on Windows with success and no events,
//   under Wine with ERROR_OPERATION_ABORTED. Both mean "no events" once our own change count has
//   moved. An abort that we did not cause ends the wait on a device that is gone, but Wine also
//   ends every wait on a live line without modem status so (a pseudo-terminal): the device counts
//   as gone only when a queue query then fails too, else the wait starts again.
// - WaitCommEvent fails at once and for ever on a device that has gone (a USB adapter pulled);
//   from then on the wait only listens for a mask change, or the watch thread would spin.
// - A write, a read or a queue query may be the first to find the device gone, while a wait that
//   no driver will end is under way: the call that finds it sets the mask again, ending the wait.
//   Under Wine a hung-up pseudo-terminal answers writes and queries with ERROR_NOT_READY and reads
//   with ERROR_BROKEN_PIPE. A purge aborts transfers on purpose; those aborts are no loss.
// - Reads use ReadIntervalTimeout = MAXDWORD with no totals, set by Open and kept by SetTimeouts:
//   a read returns at once with what the driver holds, so it is never left pending.
//
// Threads: the handle and the events are set in Open before a second thread can use the port.
// `writeOv`, `writeCopy` and `writing` belong to the writing thread; `readOv`, `waitOv` and
// `waitEvents` to the waiting thread. `mask` is stored before `maskChanges` is published with
// release, and only then is `maskChanged` signalled, so a waiter that sees the new count with
// acquire also sees the new mask; `maskLock` keeps a mask change and the start of a wait apart
// (see WaitOnce). `gone` only ever turns true, after `goneCode` is stored; `goneTold` belongs to
// the waiting thread. `cancels` counts the purges that abort transfers on purpose.

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "platform/serial_call_count.h"
#include "platform/serial_device.h"
#include "platform/windows/unique_handle.h"
#include "platform/windows/wide_text.h"

namespace platform {
namespace {

using calls::CountCall;
using calls::g_calls;
using win32::UniqueHandle;

constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

SerialError LastError(std::string_view what) {
    return MapOsError(static_cast<int>(GetLastError()), what);
}
// A failed step of Open, told by the step and not only by the code: nothing has been set on the
// line yet, so no code makes it a refusal of the settings. A name that opens to nothing leads to
// no device (ERROR_INVALID_FUNCTION from a driver without one behind it included), and what opens
// but refuses the communications calls is no serial port.
SerialError OpenStepFailed(std::string_view what, SerialErrorKind instead) {
    SerialError error = LastError(what);
    switch (error.kind) {
        case SerialErrorKind::NotATerminal:
        case SerialErrorKind::BadSettings:
        case SerialErrorKind::InvalidHandle:
            error.kind = instead;
            break;
        default:
            break;
    }
    return error;
}

SerialError NotOpen() {
    return MapOsError(ERROR_INVALID_HANDLE, "serial port");
}

std::string Win32DevicePath(std::string_view devicePath) {
    constexpr std::string_view kPrefix = "\\\\.\\";
    return devicePath.starts_with(kPrefix) ? std::string(devicePath)
                                           : std::string(kPrefix) + std::string(devicePath);
}

UniqueHandle NewEvent(BOOL manualReset) {
    return UniqueHandle(CreateEventW(nullptr, manualReset, FALSE, nullptr));
}

// The port's DCB as the driver reports it.
bool ReadState(HANDLE port, DCB& dcb) {
    dcb = DCB{};
    dcb.DCBlength = sizeof dcb;
    CountCall();
    return GetCommState(port, &dcb);
}

COMMTIMEOUTS Win32Timeouts(const CommTimeouts& t) {
    return COMMTIMEOUTS{MAXDWORD, 0, 0, t.writeTotalMultiplier, t.writeTotalConstant};
}

// What a call on an open port answers when the device behind it is no longer there: drivers of
// pulled USB adapters give the first five (access is denied once the handle is open, not before),
// Wine gives the last two for a hung-up pseudo-terminal. An abort is judged by the caller.
bool MeansDeviceGone(DWORD code) {
    switch (code) {
        case ERROR_BAD_COMMAND:
        case ERROR_GEN_FAILURE:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEVICE_REMOVED:
        case ERROR_ACCESS_DENIED:
        case ERROR_NOT_READY:
        case ERROR_BROKEN_PIPE:
            return true;
        default:
            return false;
    }
}

}  // namespace

struct SerialPort::Device {
    Device(UniqueHandle device, UniqueHandle readEvent, UniqueHandle writeEvent,
           UniqueHandle waitEvent, UniqueHandle maskEvent)
        : port(std::move(device)),
          readDone(std::move(readEvent)),
          writeDone(std::move(writeEvent)),
          waitDone(std::move(waitEvent)),
          maskChanged(std::move(maskEvent)) {}
    ~Device() { ReapWrite(); }

    static OVERLAPPED Record(const UniqueHandle& event) {
        OVERLAPPED record{};
        record.hEvent = event.get();
        return record;
    }

    // Cancels a write that nobody waits for any more and waits until the driver lets it go.
    void ReapWrite() {
        if (!writing) {
            return;
        }
        DWORD moved = 0;
        CountCall();
        CancelIoEx(port.get(), &writeOv);
        CountCall();
        ::GetOverlappedResult(port.get(), &writeOv, &moved, TRUE);
        writing = false;
    }

    IoResult FinishWrite(Overlapped& record, DWORD waitMs) {
        if (!writing) {
            return IoResult{IoStatus::Done, record.done, {}};
        }
        CountCall();
        if (WaitForSingleObject(writeDone.get(), waitMs) == WAIT_TIMEOUT) {
            return IoResult{IoStatus::Pending, record.done, {}};
        }
        DWORD moved = 0;
        CountCall();
        const bool ok = ::GetOverlappedResult(port.get(), &writeOv, &moved, FALSE);
        const DWORD code = ok ? ERROR_SUCCESS : GetLastError();
        if (code == ERROR_IO_INCOMPLETE) {
            return IoResult{IoStatus::Pending, record.done, {}};
        }
        writing = false;
        record.done = moved;
        record.left = 0;
        if (!ok) {
            NoteFailure(code, writeCancels);
            return IoResult{IoStatus::Failed, moved, MapOsError(static_cast<int>(code), "write")};
        }
        return IoResult{IoStatus::Done, moved, {}};
    }

    // Sets the mask the waiting thread waits on, ending a wait under way; under `maskLock`.
    bool ApplyMask(std::uint32_t newMask) {
        mask.store(newMask, std::memory_order_relaxed);
        maskChanges.fetch_add(1, std::memory_order_release);
        CountCall();
        return SetCommMask(port.get(), newMask);
    }

    // Records the failure of a call that `cancelsAtStart` saw begin: the device is gone when the
    // code says so, or when the call was aborted and no purge of ours did it.
    void NoteFailure(DWORD code, std::uint32_t cancelsAtStart) {
        const bool aborted = code == ERROR_OPERATION_ABORTED &&
                             cancels.load(std::memory_order_acquire) == cancelsAtStart;
        if (!MeansDeviceGone(code) && !aborted) {
            return;
        }
        goneCode.store(code, std::memory_order_relaxed);
        if (gone.exchange(true, std::memory_order_acq_rel)) {
            return;
        }
        // The same mask again: a wait under way ends, and the waiting thread finds the device gone.
        const std::lock_guard lock(maskLock);
        ApplyMask(mask.load(std::memory_order_relaxed));
    }

    // Clears the device's error state; ERROR_SUCCESS with `inputQueue` set, or why not.
    DWORD QueryInput(std::uint32_t& inputQueue) {
        DWORD errors = 0;
        COMSTAT status{};
        CountCall(g_calls.queueQueries);
        if (!ClearCommError(port.get(), &errors, &status)) {
            return GetLastError();
        }
        inputQueue = status.cbInQue;
        return ERROR_SUCCESS;
    }

    bool MaskChangedSince(std::uint32_t seen) const {
        return maskChanges.load(std::memory_order_acquire) != seen;
    }

    // Blocks until the mask changes after `seen`; a signal left over from an earlier change is
    // taken and waited past.
    void WaitForMaskChange(std::uint32_t seen) {
        while (!MaskChangedSince(seen)) {
            CountCall(g_calls.waitWakeups);
            WaitForSingleObject(maskChanged.get(), INFINITE);
        }
    }

    // One WaitCommEvent: true with `events` set when it ended, false when the caller should
    // wait again (an abort we did not cause).
    bool WaitOnce(std::uint32_t seen, std::uint32_t& events, SerialError& error) {
        waitOv = Record(waitDone);
        waitEvents = 0;
        bool ok = false;
        DWORD code = ERROR_SUCCESS;
        {
            // A wait must start before a mask change or not at all: one started just after the
            // change would wait on the new mask, under Wine even on an empty one, and Wine's comm
            // wait does not yield to CancelIoEx. Under the lock it either starts first, and the
            // change's SetCommMask ends it, or it sees the change and does not start.
            const std::lock_guard lock(maskLock);
            if (MaskChangedSince(seen)) {
                return true;
            }
            if (gone.load(std::memory_order_acquire)) {
                return false;  // found by another call; WaitEvent tells it
            }
            CountCall();
            ok = WaitCommEvent(port.get(), &waitEvents, &waitOv);
            code = ok ? ERROR_SUCCESS : GetLastError();
        }
        if (code == ERROR_IO_PENDING) {
            DWORD unused = 0;
            CountCall(g_calls.waitWakeups);
            ok = ::GetOverlappedResult(port.get(), &waitOv, &unused, TRUE);
            code = ok ? ERROR_SUCCESS : GetLastError();
        }
        if (MaskChangedSince(seen)) {
            return true;  // whatever the wait reported, it was for the old mask
        }
        if (ok) {
            events = waitEvents;
            return events != 0;
        }
        if (code == ERROR_OPERATION_ABORTED) {
            std::uint32_t waiting = 0;
            code = QueryInput(waiting);
            if (code == ERROR_SUCCESS) {
                return false;  // the device is there: Wine's wait on a line without modem status
            }
        }
        goneCode.store(code, std::memory_order_relaxed);
        gone.store(true, std::memory_order_release);
        goneTold = true;
        error = MapOsError(static_cast<int>(code), "wait for events");
        return true;
    }

    UniqueHandle port;
    UniqueHandle readDone;
    UniqueHandle writeDone;
    UniqueHandle waitDone;
    UniqueHandle maskChanged;  // auto-reset: signalled once per SetEventMask
    std::mutex maskLock;       // a mask change against the start of a wait, nothing else
    OVERLAPPED readOv{};
    OVERLAPPED writeOv{};
    std::vector<std::uint8_t> writeCopy;
    bool writing = false;
    std::uint32_t writeCancels = 0;  // `cancels` when the write began
    OVERLAPPED waitOv{};
    DWORD waitEvents = 0;
    std::atomic<std::uint32_t> mask{0};
    std::atomic<std::uint32_t> maskChanges{0};
    std::atomic<std::uint32_t> cancels{0};
    std::atomic<DWORD> goneCode{ERROR_SUCCESS};
    std::atomic<bool> gone{false};
    bool goneTold = false;
};

SerialPort::SerialPort() = default;
SerialPort::~SerialPort() = default;

SerialError SerialPort::Open(std::string_view devicePath) {
    Close();
    const std::string path = Win32DevicePath(devicePath);
    CountCall();
    UniqueHandle port(CreateFileW(win32::Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr));
    if (!port) {
        return OpenStepFailed("open " + path, SerialErrorKind::NotFound);
    }
    // A disk file or pipe opened under that name is no port: the communications calls refuse it.
    DCB probe;
    if (!ReadState(port.get(), probe)) {
        return OpenStepFailed("open " + path, SerialErrorKind::NotATerminal);
    }
    COMMTIMEOUTS readsNeverWait = Win32Timeouts(CommTimeouts{});
    CountCall();
    if (!SetCommTimeouts(port.get(), &readsNeverWait)) {
        return OpenStepFailed("set time-outs on " + path, SerialErrorKind::NotATerminal);
    }
    UniqueHandle readEvent = NewEvent(TRUE);
    UniqueHandle writeEvent = NewEvent(TRUE);
    UniqueHandle waitEvent = NewEvent(TRUE);
    UniqueHandle maskEvent = NewEvent(FALSE);
    if (!readEvent || !writeEvent || !waitEvent || !maskEvent) {
        return LastError("events for " + path);
    }
    m_device =
        std::make_unique<Device>(std::move(port), std::move(readEvent), std::move(writeEvent),
                                 std::move(waitEvent), std::move(maskEvent));
    return {};
}

void SerialPort::Close() {
    m_device.reset();
}

SerialError SerialPort::SetEventMask(std::uint32_t mask) {
    if (!m_device) {
        return NotOpen();
    }
    Device& d = *m_device;
    bool ok = false;
    {
        const std::lock_guard lock(d.maskLock);
        ok = d.ApplyMask(mask);
    }
    const SerialError error = ok ? SerialError{} : LastError("set event mask");
    // After the OS call, and even when it failed: a waiter on a vanished device listens only here.
    CountCall();
    SetEvent(d.maskChanged.get());
    return error;
}

SerialError SerialPort::SetQueueSizes(std::uint32_t input, std::uint32_t output) {
    if (!m_device) {
        return NotOpen();
    }
    CountCall();
    return SetupComm(m_device->port.get(), input, output) ? SerialError{}
                                                          : LastError("set queue sizes");
}

SerialError SerialPort::Purge() {
    if (!m_device) {
        return NotOpen();
    }
    // Before the call: a transfer it aborts must see the count moved.
    m_device->cancels.fetch_add(1, std::memory_order_release);
    CountCall();
    return PurgeComm(m_device->port.get(), kPurgeAll) ? SerialError{} : LastError("purge");
}

SerialError SerialPort::SetTimeouts(const CommTimeouts& timeouts) {
    if (!m_device) {
        return NotOpen();
    }
    COMMTIMEOUTS t = Win32Timeouts(timeouts);
    CountCall();
    return SetCommTimeouts(m_device->port.get(), &t) ? SerialError{} : LastError("set time-outs");
}

SerialError SerialPort::GetLineSettings(LineSettings& settings) {
    if (!m_device) {
        return NotOpen();
    }
    DCB dcb;
    if (!ReadState(m_device->port.get(), dcb)) {
        return LastError("read line settings");
    }
    settings.baudRate = dcb.BaudRate;
    settings.byteSize = dcb.ByteSize;
    settings.parity = dcb.Parity;
    settings.stopBits = dcb.StopBits;
    return {};
}

SerialError SerialPort::SetLineSettings(const LineSettings& settings) {
    if (!m_device) {
        return NotOpen();
    }
    DCB dcb;
    if (!ReadState(m_device->port.get(), dcb)) {
        return LastError("read line settings");
    }
    dcb.BaudRate = settings.baudRate;
    dcb.ByteSize = settings.byteSize;
    dcb.Parity = settings.parity;
    dcb.StopBits = settings.stopBits;
    dcb.fBinary = TRUE;  // Windows supports nothing else, but a driver may report it cleared
    CountCall();
    return SetCommState(m_device->port.get(), &dcb) ? SerialError{}
                                                    : LastError("apply line settings");
}

SerialError SerialPort::WaitEvent(std::uint32_t& events) {
    events = 0;
    if (!m_device) {
        return NotOpen();
    }
    Device& d = *m_device;
    const std::uint32_t seen = d.maskChanges.load(std::memory_order_acquire);
    if (d.mask.load(std::memory_order_relaxed) == 0) {
        // Cleared before this wait began: WaitCommEvent would refuse an empty mask, and the signal
        // that came with the change may already have been taken by an earlier wait.
        return {};
    }
    SerialError error;
    while (!d.gone.load(std::memory_order_acquire)) {
        if (d.WaitOnce(seen, events, error)) {
            return error;
        }
    }
    if (!d.goneTold) {
        d.goneTold = true;
        return MapOsError(static_cast<int>(d.goneCode.load(std::memory_order_relaxed)),
                          "wait for events");
    }
    d.WaitForMaskChange(seen);
    return {};
}

bool SerialPort::DeviceGone() const {
    // On an unplugged USB adapter the driver fails every call on the handle from then on; the
    // first call that fails so sets it.
    return m_device && m_device->gone.load(std::memory_order_relaxed);
}

IoResult SerialPort::Read(void* buffer, std::uint32_t size, Overlapped&) {
    if (!m_device) {
        return IoResult{IoStatus::Failed, 0, NotOpen()};
    }
    Device& d = *m_device;
    const std::uint32_t cancels = d.cancels.load(std::memory_order_relaxed);
    d.readOv = Device::Record(d.readDone);
    DWORD n = 0;
    CountCall(g_calls.reads);
    bool ok = ReadFile(d.port.get(), buffer, size, &n, &d.readOv);
    if (!ok && GetLastError() == ERROR_IO_PENDING) {
        // The read time-outs complete it at once; the driver may still have queued it first.
        CountCall();
        ok = ::GetOverlappedResult(d.port.get(), &d.readOv, &n, TRUE);
    }
    if (!ok) {
        const DWORD code = GetLastError();
        d.NoteFailure(code, cancels);
        return IoResult{IoStatus::Failed, 0, MapOsError(static_cast<int>(code), "read")};
    }
    calls::CountBytesRead(n);
    return IoResult{IoStatus::Done, n, {}};
}

IoResult SerialPort::Write(const void* data, std::uint32_t count, Overlapped& record) {
    record = Overlapped{};
    if (!m_device) {
        return IoResult{IoStatus::Failed, 0, NotOpen()};
    }
    Device& d = *m_device;
    d.ReapWrite();
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    d.writeCopy.assign(bytes, bytes + count);
    d.writeOv = Device::Record(d.writeDone);
    d.writeCancels = d.cancels.load(std::memory_order_relaxed);
    record.left = count;
    DWORD n = 0;
    CountCall(g_calls.writes);
    if (WriteFile(d.port.get(), d.writeCopy.data(), count, &n, &d.writeOv)) {
        record.left = 0;
        record.done = n;
        return IoResult{IoStatus::Done, n, {}};
    }
    const DWORD code = GetLastError();
    if (code == ERROR_IO_PENDING) {
        d.writing = true;
        return IoResult{IoStatus::Pending, 0, {}};
    }
    record.left = 0;
    d.NoteFailure(code, d.writeCancels);
    return IoResult{IoStatus::Failed, 0, MapOsError(static_cast<int>(code), "write")};
}

IoResult SerialPort::GetOverlappedResult(Overlapped& record, std::uint32_t waitMs) {
    static_assert(kWaitForever == INFINITE);
    if (!m_device) {
        return IoResult{IoStatus::Failed, record.done, NotOpen()};
    }
    return m_device->FinishWrite(record, waitMs);
}

SerialError SerialPort::ClearError(std::uint32_t& inputQueue) {
    inputQueue = 0;
    if (!m_device) {
        return NotOpen();
    }
    Device& d = *m_device;
    const std::uint32_t cancels = d.cancels.load(std::memory_order_relaxed);
    const DWORD code = d.QueryInput(inputQueue);
    if (code != ERROR_SUCCESS) {
        d.NoteFailure(code, cancels);
        return MapOsError(static_cast<int>(code), "count input");
    }
    return {};
}

}  // namespace platform
