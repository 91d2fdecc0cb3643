// The record of runs (--record FILE): one JSON line per run, appended with
// one write so that several copies of the program can share one file (the
// summary of a fleet's upgrade). Its members:
//   time             when the run ended, UTC, 2026-12-08T01:32:05Z
//   device           the device's address; null when none was chosen
//   local_address    the address of this PC the device was to fetch from
//   before           product_name, mac_address, software_version,
//                    hardware_version, serial_number as the device reported
//                    them; null when it did not answer
//   version_after    the version it reported after its reboot; null when not heard from
//   image            version, size (bytes): the image of the last stage that began
//   bytes_sent       the image bytes the device acknowledged
//   durations_ms     query (the first status query), transfer, reboot_wait
//                    (from the last block to the device's answer after its reboot)
//   outcome          upgraded, declined, user_abort, no_response, ... (app/exit_status.h)
//   exit_status      the program's exit status
//   text             what the run came to, as the program said it
#pragma once

#include "app/run_record.h"
#include "cli/json_line.h"
#include "common/outcome.h"

// What a run came to in words: its failure message, or the words for an
// end without one.
const char* OutcomeText(Outcome outcome);

// The record's line for a run that ended with the outcome at `time`.
void FormRunLine(const RunRecord& record, Outcome outcome, const char* time, JsonLine* line);
