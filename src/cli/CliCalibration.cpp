#include "cli/CliContext.h"

#include "calib/RecordedCheck.h"
#include "core/NumberText.h"
#include "report/CalibrationCertificate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <cstdio>

namespace viscora::cli {

namespace {

std::string fixed(double v, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

// A temperature as typed: "25C" or "77F", else in the unit system.
std::optional<double> temperatureF(const std::string &text, bool si)
{
    std::string number = text;
    char unit = si ? 'C' : 'F';
    if (!number.empty() && (number.back() == 'C' || number.back() == 'c' || number.back() == 'F' ||
                            number.back() == 'f')) {
        unit = static_cast<char>(std::toupper(number.back()));
        number.pop_back();
    }
    const auto v = parseNumber(number);
    if (!v || *v < -100 || *v > 1000)
        return std::nullopt;
    return unit == 'C' ? calibration::celsiusToFahrenheit(*v) : *v;
}

double positive(const std::string &what, const std::string &text)
{
    return numberArg(what, text, "above 0", [](double v) { return v > 0; });
}

double notNegativeArg(const std::string &what, const std::string &text)
{
    return numberArg(what, text, "0 or more", notNegative);
}

std::string instrumentName(Context &c, std::optional<int> id)
{
    if (!id)
        return "-";
    const auto i = InstrumentRepository(*c.db).instrument(*id);
    return i && *i ? oneLine((*i)->serialNo) : std::to_string(*id);
}

} // namespace

void checkCalibrate(const Context &c, const Args &a)
{
    if (a.has("--fluid")) {
        if (!a.positional.empty())
            throw Usage{"calibrate takes a VISCOSITY or --fluid NAME, not both"};
    } else if (a.has("--use-expired") || a.has("--temperature")) {
        throw Usage{"--use-expired and --temperature go with --fluid"};
    }
    if (a.has("--fluid")) {
        if (!a.has("--temperature"))
            throw Usage{"calibrate --fluid needs --temperature, the sample's temperature"};
        if (!temperatureF(a.option("--temperature"), c.m.UnitSystem == 2))
            throw Usage{"--temperature " + a.option("--temperature") +
                        ": not a temperature (a number, with C or F after it when not in the "
                        "unit system)"};
    } else if (a.positional.size() != 1) {
        throw Usage{"calibrate takes a VISCOSITY or --fluid NAME"};
    } else {
        numberArg("VISCOSITY", a.positional[0], "from 0.9 to 5000 cP");
    }
    if (a.has("--percent"))
        notNegativeArg("--percent", a.option("--percent"));
    if (a.has("--floor"))
        notNegativeArg("--floor", a.option("--floor"));
}

int cmdCalibrate(Context &c, const Args &a)
{
    c.m.setRotorBob(chosenRotorBob(c.m.rotorBob()));
    CheckSetup setup;
    std::string viscosity = a.positional.empty() ? std::string() : a.positional[0];
    if (a.has("--fluid")) {
        const auto fluid =
            FluidRepository(*c.db).fluid(QString::fromStdString(a.option("--fluid")));
        if (!fluid)
            return c.failed(fluid.error());
        if (!*fluid)
            return c.fail("Calibration Fluid",
                          "There is no calibration fluid named \"" + a.option("--fluid") + "\".");
        setup.fluid = **fluid;
        setup.tolerance = setup.fluid->tolerance;
        setup.temperatureF = temperatureF(a.option("--temperature"), c.m.UnitSystem == 2);
        const auto v = fluidViscosity(*setup.fluid, *setup.temperatureF, today());
        if (!v)
            return c.failed(v.failure());
        if (!acceptFluid(c.prompter, *setup.fluid, *v, a.has("--use-expired")))
            return 1;
        viscosity = v->text;
    }
    if (a.has("--percent"))
        setup.tolerance.percent = numberOf(a.option("--percent"));
    if (a.has("--floor"))
        setup.tolerance.floorDynCm2 = numberOf(a.option("--floor"));
    setup.operatorName =
        a.has("--operator") ? QString::fromStdString(a.option("--operator")) : defaultOperator();
    const auto instrument = InstrumentRepository(*c.db).assignedTo(c.m.CommPort);
    if (!instrument)
        return c.failed(instrument.error());
    if (*instrument)
        setup.instrumentId = (*instrument)->instrumentId;

    CalibrationCheck check(c.m, c.serial(), *c.clock, c.prompter);
    initialCommport(c.serial(), c.m.CommPort);
    setup.started = recordTime();
    if (!check.start(viscosity))
        return 1;
    {
        const InterruptGuard guard;
        do
            BusyWait(*c.clock, 1.0f);
        while (!interrupted && check.poll());
    }
    check.stop();
    const CalibrationRecord record = recordOf(check, setup);
    const auto stored = CheckRepository(*c.db).add(record);
    for (size_t i = 0; i < check.rows.size(); ++i) {
        const auto &row = check.rows[i];
        c.out << row.Stress3 << '\t' << row.lbl3Err << '\t' << row.lbl3PercentErr;
        // With a fluid, the reading and its verdict beside the usual columns.
        if (setup.fluid) {
            const bool reached = i < record.readings.size();
            c.out << '\t' << (row.measured ? fixed(*row.measured, 0) : "N/A") << '\t'
                  << (!reached                  ? "-"
                      : record.readings[i].pass ? "pass"
                                                : "fail");
        }
        c.out << '\n';
    }
    if (!stored)
        return c.failed(stored.error());
    if (setup.fluid)
        c.out << "Calibration check " << *stored << ": "
              << verdictText(record.outcome).toStdString() << '\n';
    return interrupted ? 1 : 0;
}

int cmdCalibrations(Context &c, const Args &a)
{
    std::optional<int> instrument;
    if (a.has("--instrument"))
        instrument = static_cast<int>(numberOf(a.option("--instrument")));
    const auto checks = CheckRepository(*c.db).checks(instrument);
    if (!checks)
        return c.failed(checks.error());
    if (a.has("--json")) {
        QJsonArray all;
        for (const CalibrationRecord &r : *checks) {
            QJsonObject o{{"id", r.checkId},
                          {"started", r.started},
                          {"operator", r.operatorName},
                          {"fluid", r.fluidName},
                          {"lot", r.lot},
                          {"expiry", r.expiry},
                          {"viscosity_cP", r.viscosityCp},
                          {"tolerance_percent", r.tolerance.percent},
                          {"tolerance_floor_dyn_cm2", r.tolerance.floorDynCm2},
                          {"outcome", r.outcome},
                          {"note", r.note}};
            o["instrument"] = r.instrumentId ? QJsonValue(*r.instrumentId) : QJsonValue();
            o["temperature_F"] = r.temperatureF ? QJsonValue(*r.temperatureF) : QJsonValue();
            o["replaces"] = r.replaces ? QJsonValue(*r.replaces) : QJsonValue();
            o["replaced_by"] = r.replacedBy ? QJsonValue(*r.replacedBy) : QJsonValue();
            QJsonArray readings;
            for (const CheckReading &g : r.readings)
                readings.append(QJsonObject{
                    {"expected_dyn_cm2", g.expected},
                    {"measured_dyn_cm2", g.measured ? QJsonValue(*g.measured) : QJsonValue()},
                    {"error_dyn_cm2", g.measured ? QJsonValue(g.error) : QJsonValue()},
                    {"error_percent", g.measured ? QJsonValue(g.percentError) : QJsonValue()},
                    {"pass", g.pass}});
            o["readings"] = readings;
            all.append(o);
        }
        c.out << QJsonDocument(all).toJson(QJsonDocument::Indented).toStdString();
        return 0;
    }
    for (const CalibrationRecord &r : *checks) {
        c.out << r.checkId << '\t' << r.started.toStdString() << '\t'
              << instrumentName(c, r.instrumentId) << '\t'
              << (r.fluidName.isEmpty() ? "-" : oneLine(r.fluidName)) << '\t'
              << (r.lot.isEmpty() ? "-" : oneLine(r.lot)) << '\t' << fixed(r.viscosityCp, 2) << '\t'
              << verdictText(r.outcome).toStdString();
        if (r.replaces)
            c.out << "\treplaces " << *r.replaces;
        if (r.replacedBy)
            c.out << "\treplaced by " << *r.replacedBy;
        c.out << '\n';
    }
    return 0;
}

int cmdCalibration(Context &c, const Args &a)
{
    const int id = static_cast<int>(numberOf(a.positional[0]));
    const auto check = CheckRepository(*c.db).check(id);
    if (!check)
        return c.failed(check.error());
    if (!*check)
        return c.fail("Calibration Check",
                      "There is no calibration check " + a.positional[0] + ".");
    const auto content = certificateContent(*c.db, **check);
    if (!content)
        return c.failed(content.failure());
    if (a.has("--pdf")) {
        const ExportResult r = writeCertificatePdf(a.option("--pdf"), *content);
        if (!r.ok)
            return c.fail("Export Error", r.error);
        c.out << "Wrote " << a.option("--pdf") << ".\n";
        return 0;
    }
    for (const auto &[label, value] : content->fields)
        c.out << label.toStdString() << '\t' << oneLine(value) << '\n';
    c.out << "Stress (dyn/cm2)\tMeasured\tError\tError (%)\tAllowed\tResult\n";
    for (const QStringList &row : content->table)
        c.out << row.join(QLatin1Char('\t')).toStdString() << '\n';
    c.out << "Result\t" << content->verdict.toStdString() << '\n';
    return 0;
}

void checkCalibration(const Context &, const Args &a)
{
    numberArg("ID", a.positional[0], "of a check, 1 or more",
              [](double v) { return v >= 1 && v <= 2147483647 && v == std::floor(v); });
}

void checkCalibrations(const Context &, const Args &a)
{
    if (a.has("--instrument"))
        numberArg("--instrument", a.option("--instrument"), "of an instrument, 1 or more",
                  [](double v) { return v >= 1 && v <= 2147483647 && v == std::floor(v); });
}

int cmdFluids(Context &c, const Args &)
{
    const auto fluids = FluidRepository(*c.db).fluids();
    if (!fluids)
        return c.failed(fluids.error());
    for (const CalibrationFluid &f : *fluids) {
        c.out << f.fluidId << '\t' << oneLine(f.name) << '\t' << oneLine(f.lot) << '\t'
              << f.expiry.toStdString() << '\t' << fixed(f.tolerance.percent, 1) << "% / "
              << fixed(f.tolerance.floorDynCm2, 1) << " dyn/cm2\t";
        for (size_t i = 0; i < f.certificate.size(); ++i)
            c.out << (i ? " " : "") << fixed(f.certificate[i].temperatureF, 1)
                  << "F:" << fixed(f.certificate[i].viscosityCp, 2);
        c.out << '\n';
    }
    return 0;
}

void checkFluid(const Context &c, const Args &a)
{
    const std::string &what = a.positional[0];
    if (what != "add" && what != "show" && what != "remove")
        throw Usage{"fluid takes add, show or remove"};
    if (a.positional.size() < 2)
        throw Usage{"fluid " + what + " needs the fluid's NAME"};
    if (what != "add") {
        if (a.positional.size() > 2 || a.options.size() > 0)
            throw Usage{"fluid " + what + " takes the fluid's NAME alone"};
        return;
    }
    if (!a.has("--lot") || !a.has("--expiry"))
        throw Usage{"fluid add needs --lot LOT and --expiry YYYY-MM-DD"};
    if (!calibration::parseIsoDate(a.option("--expiry")))
        throw Usage{"--expiry " + a.option("--expiry") + ": not a date YYYY-MM-DD"};
    if (a.positional.size() < 3)
        throw Usage{"fluid add needs the certificate's values, TEMP,CP ..."};
    for (size_t i = 2; i < a.positional.size(); ++i) {
        const std::string &p = a.positional[i];
        const auto comma = p.find(',');
        if (comma == std::string::npos || !temperatureF(p.substr(0, comma), c.m.UnitSystem == 2))
            throw Usage{p + ": not TEMP,CP (a temperature, C or F after it when not in the unit "
                            "system, and a viscosity)"};
        positive("CP", p.substr(comma + 1));
    }
    if (a.has("--percent"))
        notNegativeArg("--percent", a.option("--percent"));
    if (a.has("--floor"))
        notNegativeArg("--floor", a.option("--floor"));
}

int cmdFluid(Context &c, const Args &a)
{
    FluidRepository repo(*c.db);
    const QString name = QString::fromStdString(a.positional[1]);
    const std::string &what = a.positional[0];
    if (what == "add") {
        CalibrationFluid f;
        f.name = name;
        f.lot = QString::fromStdString(a.option("--lot"));
        f.expiry = QString::fromStdString(a.option("--expiry"));
        if (a.has("--percent"))
            f.tolerance.percent = numberOf(a.option("--percent"));
        if (a.has("--floor"))
            f.tolerance.floorDynCm2 = numberOf(a.option("--floor"));
        for (size_t i = 2; i < a.positional.size(); ++i) {
            const std::string &p = a.positional[i];
            const auto comma = p.find(',');
            f.certificate.push_back({*temperatureF(p.substr(0, comma), c.m.UnitSystem == 2),
                                     numberOf(p.substr(comma + 1))});
        }
        const auto id = repo.add(f);
        if (!id)
            return c.failed(id.error());
        c.out << "Added calibration fluid " << *id << ": " << oneLine(f.name.trimmed()) << ".\n";
        return 0;
    }
    const auto fluid = repo.fluid(name);
    if (!fluid)
        return c.failed(fluid.error());
    if (!*fluid)
        return c.fail("Calibration Fluid",
                      "There is no calibration fluid named \"" + a.positional[1] + "\".");
    const CalibrationFluid &f = **fluid;
    if (what == "remove") {
        if (const DbResult r = repo.remove(f.fluidId); !r)
            return c.failed(r.error);
        c.out << "Removed calibration fluid " << f.fluidId << ": " << oneLine(f.name)
              << " (its records are kept).\n";
        return 0;
    }
    c.out << "Name\t" << oneLine(f.name) << "\nLot\t" << oneLine(f.lot) << "\nExpiry\t"
          << f.expiry.toStdString() << "\nTolerance\t" << fixed(f.tolerance.percent, 1)
          << " % of the expected stress, at least " << fixed(f.tolerance.floorDynCm2, 1)
          << " dyn/cm2\nTemperature (F)\tTemperature (C)\tViscosity (cP)\n";
    for (const auto &p : f.certificate)
        c.out << fixed(p.temperatureF, 1) << '\t'
              << fixed(calibration::fahrenheitToCelsius(p.temperatureF), 1) << '\t'
              << fixed(p.viscosityCp, 2) << '\n';
    return 0;
}

int cmdInstruments(Context &c, const Args &)
{
    InstrumentRepository repo(*c.db);
    const auto all = repo.instruments();
    if (!all)
        return c.failed(all.error());
    const auto ports = repo.assignments();
    if (!ports)
        return c.failed(ports.error());
    for (const Instrument &i : *all) {
        QStringList comm;
        for (const auto &[port, id] : *ports)
            if (id == i.instrumentId)
                comm << QStringLiteral("Comm %1").arg(port);
        const auto due = instrumentDue(*c.db, i, today());
        if (!due)
            return c.failed(due.failure());
        c.out << i.instrumentId << '\t' << oneLine(i.serialNo) << '\t'
              << (i.model.isEmpty() ? "-" : oneLine(i.model)) << '\t'
              << (i.location.isEmpty() ? "-" : oneLine(i.location)) << '\t'
              << (comm.isEmpty() ? "-" : comm.join(QStringLiteral(", ")).toStdString()) << '\t'
              << i.intervalDays << " days\t" << dueText(*due).toStdString() << '\n';
    }
    return 0;
}

void checkInstrument(const Context &, const Args &a)
{
    if (a.positional[0] != "add")
        throw Usage{"instrument takes add"};
    if (a.positional.size() != 2)
        throw Usage{"instrument add needs the instrument's SERIAL number"};
    if (a.has("--interval"))
        numberArg("--interval", a.option("--interval"), "of days from 1 to 3650",
                  [](double v) { return v >= 1 && v <= 3650 && v == std::floor(v); });
    if (a.has("--comm"))
        numberArg("--comm", a.option("--comm"), "from 1 to 12",
                  [](double v) { return v >= 1 && v <= 12 && v == std::floor(v); });
}

int cmdInstrument(Context &c, const Args &a)
{
    InstrumentRepository repo(*c.db);
    Instrument i;
    i.serialNo = QString::fromStdString(a.positional[1]).trimmed();
    i.model = QString::fromStdString(a.option("--model"));
    i.location = QString::fromStdString(a.option("--location"));
    if (a.has("--interval"))
        i.intervalDays = static_cast<int>(numberOf(a.option("--interval")));
    const auto id = repo.add(i);
    if (!id)
        return c.failed(id.error());
    if (a.has("--comm"))
        if (const DbResult r = repo.assign(static_cast<int>(numberOf(a.option("--comm"))), *id); !r)
            return c.failed(r.error);
    c.out << "Added instrument " << *id << ": " << oneLine(i.serialNo) << ".\n";
    return 0;
}

} // namespace viscora::cli
