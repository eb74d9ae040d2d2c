// vksim: the companion tool of the simulated target.
//   vksim image --version V [--size N] -o FILE       a VKIM image with a correct checksum
//   vksim elf --version V [--fw-type T] [--size N] -o FILE
//                                                    an ELF file with an embedded inventory
//   vksim show TARGET-DIR                            boards and installed versions
#include <CLI/CLI.hpp>
#include <cstdio>

#include "commands.h"

namespace {

using namespace vksim::tool;

const char* helpText() {
    return R"(vksim - firmware images and simulated targets for the TALVERON updater

Usage: vksim COMMAND [options]

Commands:
  image --version V [--size N] -o FILE
                             write a VKIM image of version V with a correct checksum
  elf --version V [--fw-type T] [--size N] -o FILE
                             write an ELF file with an embedded inventory of version V
  show TARGET-DIR            show a simulated target's boards and installed versions

Options:
  --version V                firmware version of the image, such as 3.2.1
  --size N                   payload bytes after the header (default 4096); a size that
                             cannot be written is refused
  --fw-type T                elf only: the firmware type the image is for (1 to 14)
  -o, --output FILE          the file to write

  -h, --help                 show this help and exit
  --version                  (before any command) show the version of vksim and exit

Exit status:
  0    done
  1    failed; the message on standard error says why
  64   wrong usage; the command line was refused
)";
}

struct Options {
    std::string version;
    uint64_t size = 4096;
    std::string output;
    std::optional<uint32_t> firmwareType;
    std::string target;
};

void addImageOptions(CLI::App& command, Options& options) {
    command.add_option("--version", options.version, "firmware version, such as 3.2.1")->required();
    // Negative sizes would be read as huge unsigned numbers; sizes that cannot be written are
    // refused by the command itself, with the reason.
    const CLI::Validator notNegative(
        [](std::string& text) {
            return text.find('-') == std::string::npos ? std::string()
                                                       : "expected a size in bytes, not " + text;
        },
        "BYTES");
    command.add_option("--size", options.size, "payload bytes after the header")
        ->check(notNegative);
    command.add_option("-o,--output", options.output, "file to write")->required();
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app("Makes firmware images for the simulated target and shows simulated targets.",
                 "vksim");
    // The help is a text of its own, with every command and option, so that the manual page
    // made from it is complete.
    app.set_help_flag();
    bool help = false;
    app.add_flag("-h,--help", help);
    app.set_version_flag("--version", "vksim " VKSIM_VERSION);
    app.fallthrough();  // -h after a command reaches the help flag
    app.require_subcommand(1);
    Options options;
    CLI::App* image = app.add_subcommand("image", "write a VKIM image with a correct checksum");
    addImageOptions(*image, options);
    CLI::App* elf = app.add_subcommand("elf", "write an ELF file with an embedded inventory");
    addImageOptions(*elf, options);
    elf->add_option("--fw-type", options.firmwareType, "firmware type the image is for (1-14)")
        ->check(CLI::Range(1, 14));
    CLI::App* show = app.add_subcommand("show", "show a target's boards and installed versions");
    show->add_option("TARGET-DIR", options.target, "folder of the simulated target")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& success) {
        return app.exit(success);
    } catch (const CLI::ParseError& error) {
        if (help) {
            std::fputs(helpText(), stdout);
            return kExitOk;
        }
        app.exit(error);
        return kExitUsage;
    }
    if (image->parsed()) {
        return makeImage(options.version, options.size, options.output);
    }
    if (elf->parsed()) {
        return makeElf(options.version, options.firmwareType, options.size, options.output);
    }
    return showTarget(options.target);
}
