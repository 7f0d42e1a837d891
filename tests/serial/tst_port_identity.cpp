// Which lost port may be opened again without the user asking: only one whose
// name the device's own side makes again, or a USB device known by its serial
// number; never whatever else appears under a bare device name.

#include "serial/port_identity.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <pty.h>
#include <unistd.h>

using namespace vemtra::serial;

Q_DECLARE_METATYPE(vemtra::serial::PortIdentity)

namespace {

PortIdentity bare(const QString &path)
{
    PortIdentity p;
    p.path = path;
    p.device = path;
    return p;
}

PortIdentity link(const QString &path, const QString &device)
{
    PortIdentity p;
    p.path = path;
    p.device = device;
    p.isLink = true;
    return p;
}

PortIdentity usb(PortIdentity p, quint16 vid, quint16 pid, const QString &serial)
{
    p.vendorId = vid;
    p.productId = pid;
    p.serialNumber = serial;
    return p;
}

PortIdentity missing(PortIdentity p)
{
    p.device.clear();
    return p;
}

} // namespace

class TestPortIdentity : public QObject {
    Q_OBJECT
private slots:
    void reopenedByItselfOnlyWhenKnownAgain_data();
    void reopenedByItselfOnlyWhenKnownAgain();
};

void TestPortIdentity::reopenedByItselfOnlyWhenKnownAgain_data()
{
    QTest::addColumn<PortIdentity>("lost");
    QTest::addColumn<PortIdentity>("found");
    QTest::addColumn<bool>("watched");
    QTest::addColumn<bool>("reopened");

    const QString pts("/dev/pts/3");
    const QString sim("/home/u/sim/b1");
    const QString byId("/dev/serial/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0");
    const QString byPath("/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0");
    const QString tty("/dev/ttyUSB0");
    const PortIdentity adapter = usb(bare(tty), 0x0403, 0x6001, "A1B2C3");

    QTest::newRow("bare pty, a new one at its number") << bare(pts) << bare(pts) << false << false;
    QTest::newRow("simulator's link, made again")
        << link(sim, pts) << link(sim, "/dev/pts/7") << true << true;
    QTest::newRow("link not there yet")
        << link(sim, pts) << missing(link(sim, pts)) << true << false;
    QTest::newRow("link replaced by a device file") << link(sim, pts) << bare(sim) << true << false;
    QTest::newRow("by-id link, made again") << link(byId, tty) << link(byId, tty) << true << true;
    QTest::newRow("USB, same adapter back") << adapter << adapter << true << true;
    QTest::newRow("USB, another serial number")
        << adapter << usb(bare(tty), 0x0403, 0x6001, "Z9Y8") << true << false;
    QTest::newRow("USB, another product")
        << adapter << usb(bare(tty), 0x0403, 0x6015, "A1B2C3") << true << false;
    QTest::newRow("USB, now of unknown identity") << adapter << bare(tty) << true << false;
    QTest::newRow("USB without serial number, same kind back")
        << usb(bare(tty), 0x1a86, 0x7523, "") << usb(bare(tty), 0x1a86, 0x7523, "") << false
        << false;
    QTest::newRow("on-board port") << bare("/dev/ttyS0") << bare("/dev/ttyS0") << false << false;
    QTest::newRow("by-path link, another adapter in the socket")
        << usb(link(byPath, tty), 0x0403, 0x6001, "A1B2C3")
        << usb(link(byPath, tty), 0x0403, 0x6001, "Z9Y8") << true << false;
    QTest::newRow("by-path link, same adapter")
        << usb(link(byPath, tty), 0x0403, 0x6001, "A1B2C3")
        << usb(link(byPath, "/dev/ttyUSB1"), 0x0403, 0x6001, "A1B2C3") << true << true;
    QTest::newRow("by-path link, identity unknown")
        << link(byPath, tty) << link(byPath, tty) << false << false;
}

void TestPortIdentity::reopenedByItselfOnlyWhenKnownAgain()
{
    QFETCH(PortIdentity, lost);
    QFETCH(PortIdentity, found);
    QFETCH(bool, watched);
    QFETCH(bool, reopened);
    QCOMPARE(mayComeBackByItself(lost), watched);
    QCOMPARE(mayReopenByItself(lost, found), reopened);
}

QTEST_GUILESS_MAIN(TestPortIdentity)
#include "tst_port_identity.moc"
