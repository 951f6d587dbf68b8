#include "comms/core/adexcept.h"
#include "comms/core/adstrmap.h"
#include "comms/core/errorcodes.h"
#include "comms/core/eapdexception.h"
#include "comms/core/tapdbasecomponent.h"

#include <QVariant>
#include <gtest/gtest.h>

#include <set>
#include <typeinfo>

namespace {

TEST(ErrorTexts, SampleOfEachGroup)
{
    const std::pair<int, const char*> samples[] = {
        {0, "OK"},
        {-2, "File not found"},
        {-8, "Insufficient memory"},
        {-100, "Attempt to read beyond end of file"},
        {-162, "General failure"},
        {-1001, "Bad handle passed to com function"},
        {-1004, "Terminal buffer greater than 65521"},
        {-2001, "ie_BadId - Specified comport doesn't exist"},
        {-2011, "The ComNumber property of the TApdComPort has not been set"},
        {-3006, "Output buffer too small for block"},
        {-3010, "Base address not set"},
        {-5001, "No more trigger slots"},
        {-5003, "Bad trigger handle"},
        {-5502, "Packet size cannot be smaller than start string"},
        {-5506, "Packet too long"},
        {9004, "Winsock not initialized - %s"},
        {9007, "Cannot resolve destination address"},
        {10037, "WSAEALREADY: watch out, Al is ready"},
        {10060, "The operation timed out"},
        {11004, "Valid name, but no data record of requested type"},
        {15001, "No event"},
        {15021, "Script"},
        {15101, "ReadCom"},
        {15119, "Method"},
        {15501, "Time      Type      SubType       Data      OtherData"},
        {15502, "--------  --------  ------------  --------  ---------"},
    };
    for (const auto& [code, text] : samples) {
        EXPECT_EQ(LnkrLoadStr(int16_t(code)), QLatin1String(text)) << code;
        EXPECT_EQ(ErrorMsg(int16_t(code)), QLatin1String(text)) << code;
    }
}

TEST(ErrorTexts, CodeAndItsNegationGiveTheSameText)
{
    EXPECT_EQ(LnkrLoadStr(-5001), QStringLiteral("No more trigger slots"));
    EXPECT_EQ(LnkrLoadStr(5001), QStringLiteral("No more trigger slots"));
    EXPECT_EQ(MessageNumberToString(-10054), MessageNumberToString(10054));
}

TEST(ErrorTexts, EveryRowIsFound)
{
    const TAdStrMapEntry* table = AdStrMapTable();
    std::set<int> magnitudes;
    for (std::size_t i = 0; i < AdStrMapCount(); ++i) {
        magnitudes.insert(std::abs(table[i].Code));
        EXPECT_EQ(MessageNumberToString(int16_t(table[i].Code)), QLatin1String(table[i].Msg)) << table[i].Code;
    }
    EXPECT_EQ(magnitudes.size(), AdStrMapCount());
}

TEST(ErrorTexts, FallBackToTheSystemTextCleaned)
{
    // Row without text, and codes without a row.
    EXPECT_EQ(MessageNumberToString(10000), QString());
    EXPECT_EQ(LnkrLoadStr(10000), QString());  // the system has no text for it either
    EXPECT_EQ(MessageNumberToString(1), QString());
    EXPECT_EQ(LnkrLoadStr(-1), QStringLiteral("Incorrect function. "));
    EXPECT_EQ(LnkrLoadStr(995),
              QStringLiteral("The I/O operation has been aborted because of either a thread exit or an "
                             "application request. "));
    EXPECT_EQ(LnkrLoadStr(-9999), QString());
    EXPECT_EQ(LnkrLoadStr(7777), QString());
    for (int code : {1, 13, 21, 22, 31, 87, 995, 1167}) {
        const QString t = LnkrLoadStr(int16_t(code));
        EXPECT_FALSE(t.isEmpty()) << code;
        EXPECT_FALSE(t.contains(QLatin1String("  "))) << code;
        EXPECT_FALSE(t.contains(QLatin1Char('\r')) || t.contains(QLatin1Char('\n'))) << code;
        EXPECT_TRUE(t.endsWith(QLatin1String(". "))) << code;
    }
}

TEST(ErrorTexts, LoadIntoABuffer)
{
    char buf[256];
    memset(buf, 'x', sizeof buf);
    EXPECT_EQ(LnkrLoadZ(buf, -3007), buf);
    EXPECT_STREQ(buf, "Buffer is empty");
    LnkrLoadZ(buf, 7777);
    EXPECT_STREQ(buf, "");
}

struct Raised {
    const std::type_info* type = nullptr;
    int code = 12345;
    QString message;
};

Raised raise(int code, const TApdBaseComponent* c = nullptr)
{
    Raised r;
    try {
        r.code = CheckException(c, code);
    } catch (const EAPDException& e) {
        r.type = &typeid(e);
        r.code = e.ErrorCode;
        r.message = e.Message;
    } catch (const EInOutError& e) {
        r.type = &typeid(e);
        r.code = e.ErrorCode;
        r.message = e.Message;
    } catch (const Exception& e) {
        r.type = &typeid(e);
        r.message = e.Message;
    }
    return r;
}

TEST(CheckException, RaisesTheClassOfEachCode)
{
    const std::pair<int, const std::type_info*> classes[] = {
        {-1002, &typeid(EBadArgument)}, {-1003, &typeid(EGotQuitMsg)}, {-1004, &typeid(EBufferTooBig)},
        {-1005, &typeid(EPortNotAssigned)}, {-1006, &typeid(EInternal)}, {-1007, &typeid(EModemNotAssigned)},
        {-1008, &typeid(EPhonebookNotAssigned)}, {-1009, &typeid(ECannotUseWithWinSock)},
        {-2001, &typeid(EBadId)}, {-2002, &typeid(EBaudRate)}, {-2003, &typeid(EByteSize)},
        {-2004, &typeid(EDefault)}, {-2005, &typeid(EHardware)}, {-2006, &typeid(EMemory)},
        {-2007, &typeid(ECommNotOpen)}, {-2008, &typeid(EAlreadyOpen)}, {-2009, &typeid(ENoHandles)},
        {-2010, &typeid(ENoTimers)}, {-2011, &typeid(ENoPortSelected)}, {-2012, &typeid(ENotOpenedByTapi)},
        {-3001, &typeid(ENullApi)}, {-3003, &typeid(ERegisterHandlerFailed)}, {-3004, &typeid(EPutBlockFail)},
        {-3005, &typeid(EGetBlockFail)}, {-3006, &typeid(EOutputBufferTooSmall)},
        {-3007, &typeid(EBufferIsEmpty)}, {-3008, &typeid(ETracingNotEnabled)},
        {-3009, &typeid(ELoggingNotEnabled)}, {-3010, &typeid(EBaseAddressNotSet)},
        {-5001, &typeid(ENoMoreTriggers)}, {-5002, &typeid(ETriggerTooLong)}, {-5003, &typeid(EBadTriggerHandle)},
    };
    for (const auto& [code, type] : classes) {
        const Raised r = raise(code);
        ASSERT_TRUE(r.type) << code;
        EXPECT_EQ(*r.type, *type) << code;
        EXPECT_EQ(r.code, code);
        EXPECT_EQ(r.message, LnkrLoadStr(int16_t(code)));
    }
    const Raised r = raise(-2011);
    EXPECT_EQ(r.message, QStringLiteral("The ComNumber property of the TApdComPort has not been set"));
}

TEST(CheckException, DefaultAndRuntimeClasses)
{
    for (int code : {-1, -163, -999, -1001, -3002, -5501, -5503, -5506, -7777}) {
        const Raised r = raise(code);
        ASSERT_TRUE(r.type) << code;
        EXPECT_EQ(*r.type, typeid(EAPDException)) << code;
        EXPECT_EQ(r.message, QStringLiteral("Lnkr exception"));
        EXPECT_EQ(r.code, 0);
    }
    Raised io = raise(-2);
    ASSERT_TRUE(io.type);
    EXPECT_EQ(*io.type, typeid(EInOutError));
    EXPECT_EQ(io.code, 2);
    EXPECT_EQ(io.message, QStringLiteral("File not found"));
    io = raise(-162);
    EXPECT_EQ(*io.type, typeid(EInOutError));
    EXPECT_EQ(io.message, QStringLiteral("General failure"));
    const Raised mem = raise(-8);
    EXPECT_EQ(*mem.type, typeid(EOutOfMemory));
    // Group classes catch their leaves.
    EXPECT_THROW(CheckException(nullptr, -2008), EOpenComm);
    EXPECT_THROW(CheckException(nullptr, -5002), ETrigger);
    EXPECT_THROW(CheckException(nullptr, -3004), ESerialIO);
    EXPECT_THROW(CheckException(nullptr, -1002), EGeneral);
}

// The rule over codes of every group, the groups not reached by this system included.
TEST(CheckException, RaisesByTheTableInEveryGroup)
{
    const std::pair<int, const std::type_info*> cases[] = {
        {-4001, &typeid(EModemNotStarted)}, {-4008, &typeid(ENotDialing)},       {-6006, &typeid(EProtocol)},
        {-6009, &typeid(EProtocol)},        {-7001, &typeid(EKeyTooLong)},       {-7003, &typeid(EInternal)},
        {-7012, &typeid(EInternal)},        {-7014, &typeid(EBadFieldForIndex)}, {-8001, &typeid(EFaxBadFormat)},
        {-8017, &typeid(EFaxPageError)},    {-13801, &typeid(ETapiAllocated)},   {-13892, &typeid(ETapiTranslateFail)},
        {-13980, &typeid(ERasLoadFail)},    {ecDtrFailed, &typeid(ESerialIO)},   {ecRtsFailed, &typeid(ESerialIO)},
    };
    const auto expectRaised = [](int code, const std::type_info& type) {
        const Raised r = raise(code);
        ASSERT_TRUE(r.type) << code;
        EXPECT_EQ(*r.type, type) << code;
    };
    for (const auto& [code, type] : cases) {
        expectRaised(code, *type);
        EXPECT_EQ(raise(code).code, code);
    }
    EXPECT_THROW(CheckException(nullptr, -4005), EModem);
    EXPECT_THROW(CheckException(nullptr, -13850), ETapi);
    EXPECT_EQ(raise(ecDtrFailed).message, QStringLiteral("The DTR line of the port cannot be set"));
    // The codes listed to take the default do.
    for (int code : {-4009, -4013, -4017, -4020, -4021, -6001, -6007, -6016, -7009, -7500, -7502, -8500, -13934, -13937,
                     -13941, -13943, -13945})
        expectRaised(code, typeid(EAPDException));
}

TEST(CheckException, ReturnsTheCodeWhileLoadingAndForNonNegative)
{
    TApdBaseComponent port;
    EXPECT_EQ(CheckException(&port, 0), 0);
    EXPECT_EQ(CheckException(&port, 42), 42);
    port.SetLoading(true);
    EXPECT_EQ(CheckException(&port, -2011), -2011);
    port.SetLoading(false);
    EXPECT_THROW(CheckException(&port, -2011), ENoPortSelected);
}

TEST(CheckException, XlatRoundTrips)
{
    for (int code : {-2, -8, -2011, -5003, -1002, -162}) {
        try {
            CheckException(nullptr, code);
            ADD_FAILURE() << code;
        } catch (const std::exception& e) {
            EXPECT_EQ(XlatException(e), code);
        }
    }
    EXPECT_EQ(XlatException(EAPDException(-3006, false)), -3006);
    EXPECT_EQ(XlatException(std::runtime_error("other")), -9999);
    EXPECT_EQ(XlatException(Exception(QStringLiteral("plain"))), -9999);
    EXPECT_EQ(EAPDException::MapCodeToStringID(-5001), 5001);
}

TEST(Components, VersionReadsFixedValue)
{
    TApdBaseComponent c;
    EXPECT_EQ(c.property("Version").toString(), QStringLiteral("v4.06"));
    c.setProperty("Version", QStringLiteral("v9.99"));
    EXPECT_EQ(c.Version(), QStringLiteral("v4.06"));
}

}  // namespace
