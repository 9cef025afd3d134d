#include "tool/commands/guard.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>

#include <fmt/format.h>

#include "tool/field/rinex_campaign.h"
#include "tool/output/atomic_file.h"

namespace min_lumo_tool {

void Print(const std::string& text) {
    errno = 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    // Buffered bytes meet a full disk or a closed pipe only when flushed.
    if (!written || std::fflush(stdout) != 0)
        throw OutputWriteError(fmt::format("cannot write to standard output: {}",
                                           errno != 0 ? std::strerror(errno) : "the stream refused the bytes"));
}

void Print_Error(const std::string& text) {
    const std::string line = text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

namespace {

CommandFailure Internal(const std::string& what) {
    return {exitInternalError, fmt::format("min_lumo: internal error: {}. This is a fault of min_lumo, not of the "
                                           "input: please report it with the command and the files that caused it",
                                           what)};
}

}  // namespace

CommandFailure Failure_Of(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const OutputWriteError& failure) {
        return {exitWriteFailed, std::string("min_lumo: ") + failure.what()};
    } catch (const min_lumo_field::CampaignWriteError& failure) {
        return {exitWriteFailed, std::string("min_lumo: ") + failure.what()};
    } catch (const std::bad_alloc&) {
        return Internal("out of memory");
    } catch (const fmt::format_error& failure) {
        return Internal(std::string("a text could not be formatted: ") + failure.what());
    } catch (const std::invalid_argument& failure) {
        return {exitBadInput, std::string("min_lumo: ") + failure.what()};
    } catch (const std::logic_error& failure) {
        return Internal(failure.what());
    } catch (const std::range_error& failure) {
        return Internal(failure.what());
    } catch (const std::overflow_error& failure) {
        return Internal(failure.what());
    } catch (const std::underflow_error& failure) {
        return Internal(failure.what());
    } catch (const std::runtime_error& failure) {
        return {exitBadInput, std::string("min_lumo: ") + failure.what()};
    } catch (const std::exception& failure) {
        return Internal(failure.what());
    } catch (...) {
        return Internal("an exception of no standard type");
    }
}

}  // namespace min_lumo_tool
