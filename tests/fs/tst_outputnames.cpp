// Tests of the output names of one run: nothing written earlier in the run is replaced.
#include "OutputNames.h"

#include <QtTest>

class tst_OutputNames : public QObject {
    Q_OBJECT

private slots:
    void laterSourcesKeepTheirWholeName()
    {
        // Claims in order: plain target, source, expected output.
        const QList<std::array<const char*, 3>> claims = {
            {"/out/a.WPD.xml", "/in/a.WPD.wpd", "/out/a.WPD.xml"},
            {"/out/a.xml", "/in/a.wpd", "/out/a.xml"},
            {"/out/a.xml", "/in/a.WPD", "/out/a.WPD (2).xml"},
            {"/out/a.xml", "/in/a.Wpd", "/out/a.Wpd.xml"},
            {"/out/report.html", "/in/report.wp", "/out/report.html"},
            {"/out/report.html", "C:\\in\\report.wpd", "/out/report.wpd.html"},
            {"/other/a.xml", "/in/a.wpd", "/other/a.xml"},
            {"/out/A.xml", "/in/A.wpd", "/out/A.xml"},
            {"/out.d/x", "/in/x", "/out.d/x"},
            {"/out.d/x", "/in/x", "/out.d/x (2)"},
        };
        fs::OutputNames names;
        for (const auto& [plain, source, expected] : claims)
            QCOMPARE(names.claim(plain, source), QString::fromLatin1(expected));
    }
};

QTEST_GUILESS_MAIN(tst_OutputNames)
#include "tst_outputnames.moc"
