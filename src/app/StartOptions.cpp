#include "app/StartOptions.h"

#include "device/PortAssignment.h"

namespace viscora {

const char *const kStartUsage =
    "usage: viscora [--db LOCATION] [--comm N=DEVICE] [--simulate] [/debug]\n"
    "       viscora --version | --help\n"
    "\n"
    "  --db LOCATION    the database for this run: a k7400r.mdb file, or a PostgreSQL\n"
    "                   server as postgresql://USER@HOST:PORT/DBNAME or \"host=HOST\n"
    "                   dbname=NAME ...\", its password from ~/.pgpass or PGPASSWORD;\n"
    "                   without it, the one chosen in Tools, Database..., else\n"
    "                   k7400r.mdb in the current folder or the file picked\n"
    "  --comm N=DEVICE  the device of \"Comm N\" (1 to 12) for this run, over the saved\n"
    "                   assignment (Tools, Serial Ports...); DEVICE \"simulated\" is the\n"
    "                   simulated instrument\n"
    "  --simulate       the simulated instrument on Comm 1 (as --comm 1=simulated)\n"
    "  /debug           the setup window shows its diagnostic boxes\n"
    "  --version        print the version and end\n"
    "  -h, --help       print this help and end\n";

StartOptions parseStartOptions(const std::vector<std::string> &args)
{
    StartOptions o;
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a == "--simulate") {
            o.simulate = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "-h" || a == "--help") {
            o.help = true;
        } else if (a == "--check-help") {
            o.checkHelp = true;
        } else if (a == "--db" || a.rfind("--db=", 0) == 0) {
            if (a == "--db" && i + 1 >= args.size())
                o.error = "--db needs a file or a server's location";
            else
                o.db = a == "--db" ? args[++i] : a.substr(5);
        } else if (a == "--comm" || a.rfind("--comm=", 0) == 0) {
            std::string value;
            if (a == "--comm") {
                if (i + 1 >= args.size()) {
                    o.error = "--comm needs N=DEVICE";
                    continue;
                }
                value = args[++i];
            } else {
                value = a.substr(7);
            }
            if (!parseCommOption(value, o.commOverrides))
                o.error = "--comm takes N=DEVICE with N from 1 to 12, not '" + value + "'";
        } else {
            rest.push_back(a);
        }
    }
    for (size_t i = 0; i < rest.size(); ++i)
        o.commandLine += (i ? " " : "") + rest[i];
    return o;
}

} // namespace viscora
