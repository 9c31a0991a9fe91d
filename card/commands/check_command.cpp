// `check`: the card check with its findings as text lines or JSON objects,
// and on request the capacity probe first.
#include <string>

#include "card/check/card_check.h"
#include "card/commands/card_commands.h"
#include "card/commands/card_dispatch.h"
#include "card/layout/card_layout.h"
#include "card/store/capacity_probe.h"
#include "core/json_text.h"
#include "core/log_whole.h"

namespace {

void drop_text(void *, const char *) {}

json_object finding_json(const check_finding &f) {
    json_object o;
    f.block >= 0 ? o.number("block", static_cast<uint64_t>(f.block)) : o.null("block");
    f.image >= 0 ? o.number("image", static_cast<uint64_t>(f.image)) : o.null("image");
    f.image >= 0 ? o.text("name", f.name) : o.null("name");
    o.text("problem", f.problem);
    return o;
}

}  // namespace

bool check_open(card_context *c) {
    if (!drive_argument_check(c->log, c->drive)) return false;
    // Only the capacity probe writes (its markers) to the card.
    bool probes = c->arguments != nullptr && command_option_given(*c->arguments, CARD_CAPACITY);
    c->disk = disk_open(c->log, c->drive, probes ? DISK_OPEN_WRITE : DISK_OPEN_READ);
    if (c->disk != nullptr) return true;
    log_line(c->log, "error opening physical drive");
    return false;
}

int card_check_command(card_context *c, int, const char *const *) {
    bool json = command_option_given(*c->arguments, CARD_JSON);
    // In JSON the output holds nothing but the objects: the check's own
    // lines ("stopped") stay out of it, its gauge and stop request do not.
    log_sink *quiet = log_create(nullptr, drop_text);
    log_attach_gauge(quiet, c->log->gauge);
    log_attach_stop(quiet, c->log->stop);
    log_sink *engine = json ? quiet : c->log;

    check_summary summary;
    uint64_t capacity_findings = 0;
    auto report = [&](const check_finding &f) {
        if (json)
            log_write(c->log, finding_json(f).line().c_str());
        else
            log_printf_whole(c->log, "%s\n", check_finding_text(f).c_str());
    };
    capacity_result capacity{};
    bool probed = command_option_given(*c->arguments, CARD_CAPACITY);
    if (probed) {
        if (!json) log_line(c->log, "capacity probe: writing markers over the card");
        if (!capacity_probe(c->disk, engine, &capacity)) {
            report({-1, -1, "", "the capacity probe could not finish"});
            capacity_findings++;
        } else if (capacity.holds < capacity.claimed) {
            report({-1, -1, "", "fake capacity: " + capacity_shortfall_text(capacity)});
            capacity_findings++;
        }
    }
    card_check(c->disk, c->drive, engine, report, &summary);
    log_destroy(quiet);
    summary.findings += capacity_findings;

    uint64_t mib = summary.sectors_read / 2048;
    if (json) {
        json_object o;
        o.boolean("clean", summary.findings == 0 && !summary.stopped)
            .number("findings", summary.findings)
            .number("blocks", summary.blocks)
            .number("images", summary.images)
            .number("sectors_read", summary.sectors_read)
            .boolean("stopped", summary.stopped);
        if (probed) o.number("claimed_sectors", capacity.claimed).number("holds_sectors", capacity.holds);
        log_write(c->log, o.line().c_str());
    } else {
        log_printf(c->log, "check %s: %llu finding%s in %u block%s, %u image%s, %llu MiB read\n",
                   summary.stopped ? "stopped" : "done",
                   static_cast<unsigned long long>(summary.findings),
                   summary.findings == 1 ? "" : "s", summary.blocks, summary.blocks == 1 ? "" : "s",
                   summary.images, summary.images == 1 ? "" : "s",
                   static_cast<unsigned long long>(mib));
    }
    return vmk_status(summary.findings == 0 && !summary.stopped);
}
