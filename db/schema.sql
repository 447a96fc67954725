-- CulinaroTable installation database (SQLite).
--
-- Every database file of an installation is created from this one script:
-- the default database (server 1) and each further database server hold the
-- same tables (see db/placement.md for which rows live where).
--
-- Storage forms: DATE 'YYYY-MM-DD', TIME 'HH:MM:SS', DATETIME
-- 'YYYY-MM-DD HH:MM:SS[.mmm]' (text, so text order is time order). Identity
-- columns are INTEGER PRIMARY KEY AUTOINCREMENT. Text columns compare without
-- regard to case, as the installation's SQL Server collation does. BIT keeps
-- 0/1 flags, MONEY amounts, IMAGE binaries. Business rows are never deleted:
-- RowStatus 'A' is active, 'D' deleted; RowModified is the time of the last
-- change on the local clock.

PRAGMA foreign_keys = OFF;

-- ---------------------------------------------------------------------------
-- Configuration, users and sign-in (read on the default connection; the
-- rows are copied into every database so that joins on an outlet's server
-- find user, outlet and meal-period names).
-- ---------------------------------------------------------------------------

CREATE TABLE tbl_Parameter (
    ParameterID     INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    ParaModule      NVARCHAR(20) COLLATE NOCASE,
    ParaName        NVARCHAR(50) COLLATE NOCASE,
    ParaDataType    NVARCHAR(1) COLLATE NOCASE,
    ParaValue       NVARCHAR(255) COLLATE NOCASE,
    ParaValue1      NVARCHAR(255) COLLATE NOCASE,
    ParaText        NTEXT COLLATE NOCASE,
    DescL1          NVARCHAR(255) COLLATE NOCASE
);
CREATE INDEX IX_Parameter_Name ON tbl_Parameter (ParaModule, ParaName);

-- Option lists of profile fields (OptModule 'PDEF') and value names of the
-- table-type attributes (OptCode 'TT1Value' .. 'TT5Value').
CREATE TABLE tbl_ParaOption (
    OptID           INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    OptModule       NVARCHAR(20) COLLATE NOCASE,
    OptCode         NVARCHAR(50) COLLATE NOCASE,
    OptSeq          INT,
    OptSubCode      NVARCHAR(50) COLLATE NOCASE,
    OptValue        NVARCHAR(255) COLLATE NOCASE,
    NameL1          NVARCHAR(255) COLLATE NOCASE,
    NameL2          NVARCHAR(255) COLLATE NOCASE,
    NameL3          NVARCHAR(255) COLLATE NOCASE
);
CREATE INDEX IX_ParaOption_Code ON tbl_ParaOption (OptModule, OptCode, OptSeq);

-- Rights catalogue: Module 'FE' (front end) or 'BE' (back end), RightIndex =
-- mask index, RightSubIndex = bit number counted from 1.
CREATE TABLE tbl_UserRight (
    UserRightID     INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    Module          NVARCHAR(4) COLLATE NOCASE,
    RightIndex      INT,
    RightSubIndex   INT,
    DescL1          NVARCHAR(255) COLLATE NOCASE,
    DescL2          NVARCHAR(255) COLLATE NOCASE,
    DescL3          NVARCHAR(255) COLLATE NOCASE,
    AllowNew        BIT
);

CREATE TABLE tbl_UserRole (
    RoleID          INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    RoleCode        NVARCHAR(20) COLLATE NOCASE,
    RoleLevel       INT,
    NameL1          NVARCHAR(100) COLLATE NOCASE,
    NameL2          NVARCHAR(100) COLLATE NOCASE,
    NameL3          NVARCHAR(100) COLLATE NOCASE,
    FERightMask1    INT, FERightMask2 INT, FERightMask3 INT, FERightMask4 INT,
    FERightMask5    INT, FERightMask6 INT, FERightMask7 INT, FERightMask8 INT,
    FERightMask9    INT, FERightMask10 INT,
    BERightMask1    INT, BERightMask2 INT, BERightMask3 INT, BERightMask4 INT,
    BERightMask5    INT, BERightMask6 INT, BERightMask7 INT, BERightMask8 INT,
    BERightMask9    INT, BERightMask10 INT, BERightMask11 INT, BERightMask12 INT,
    BERightMask13   INT, BERightMask14 INT, BERightMask15 INT
);

CREATE TABLE tbl_UserRoleByOutlet (
    UserRoleByOutletID INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    RoleID          INT,
    OutletID        INT
);
CREATE INDEX IX_UserRoleByOutlet_Role ON tbl_UserRoleByOutlet (RoleID);

-- Users. Password is the 32-digit hexadecimal hash (HashPassword). No column
-- here may share a name with tbl_TableBlock or tbl_Reservation columns that
-- block and list queries use unqualified (OutletID, TableNo, Remark ...).
CREATE TABLE tbl_User (
    UserID          INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    LoginID         NVARCHAR(50) COLLATE NOCASE,
    Password        NVARCHAR(50) COLLATE NOCASE,
    NameL1          NVARCHAR(100) COLLATE NOCASE,
    NameL2          NVARCHAR(100) COLLATE NOCASE,
    NameL3          NVARCHAR(100) COLLATE NOCASE,
    RoleID          INT,
    PwdSecurity     INT DEFAULT 0,
    SessionTimeout  INT DEFAULT 0,
    Disabled        BIT DEFAULT 0,
    DiffNamePwd     BIT DEFAULT 0,
    PwdNextLogon    BIT DEFAULT 0,
    FailLoginCount  INT DEFAULT 0,
    FailLoginTime   DATETIME,
    LastLoginTime   DATETIME,
    RetryCount      INT DEFAULT 0,
    RetryInterval   INT DEFAULT 0,
    EnableInterval  INT DEFAULT 0,
    PWUpdateDT      DATETIME,
    AbleToChange    INT DEFAULT 1,
    RegularChangePwd INT DEFAULT 0,
    ReusePassword   BIT DEFAULT 1,
    minLength       INT DEFAULT 0
);
CREATE INDEX IX_User_LoginID ON tbl_User (LoginID);

CREATE TABLE tbl_UserPassword (
    UserPasswordID  INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    UserID          INT,
    Password        NVARCHAR(50) COLLATE NOCASE
);
CREATE INDEX IX_UserPassword_User ON tbl_UserPassword (UserID);

-- POS employee number of a user per account.
CREATE TABLE tbl_UserByEmployee (
    UserByEmployeeID INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    UserID          INT,
    AccountID       INT,
    EmployeeID      NVARCHAR(20) COLLATE NOCASE
);
CREATE INDEX IX_UserByEmployee_User ON tbl_UserByEmployee (UserID);

-- Sign-in and sign-out audit.
CREATE TABLE tbl_LogInOut (
    LogID           INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    DBServerID      INT,
    ClientID        INT,
    UserID          INT,
    ComputerName    NVARCHAR(100) COLLATE NOCASE,
    IPAddress       NVARCHAR(255) COLLATE NOCASE,
    LogDate         DATE,
    Logintime       DATETIME,
    Logouttime      DATETIME,
    LogoutMethod    NVARCHAR(1) COLLATE NOCASE,
    LogApplication  NVARCHAR(50) COLLATE NOCASE,
    ConnectionCNT   INT,
    LogType         NVARCHAR(1) COLLATE NOCASE
);

-- User-action log written by sp_CT_WriteUserLog (its @ReserveNo argument is
-- the remark text).
CREATE TABLE tbl_UserLog (
    UserLogID       INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    DBServerID      INT,
    UserID          INT,
    Module          NVARCHAR(4) COLLATE NOCASE,
    Action          NVARCHAR(8) COLLATE NOCASE,
    OutletID        INT,
    ClientID        INT,
    LogDT           DATETIME,
    Remark          NTEXT COLLATE NOCASE
);

-- Audit of guest-profile field changes.
CREATE TABLE tbl_UserLog_Profile (
    UserLogProfileID INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    DBServerID      INT,
    UserID          INT,
    GuestID         INT,
    ClientID        INT,
    FieldName       NVARCHAR(50) COLLATE NOCASE,
    Action          NVARCHAR(20) COLLATE NOCASE,
    LastValue       NTEXT COLLATE NOCASE,
    NewValue        NTEXT COLLATE NOCASE
);

-- Update package offered when the server version differs from the program's.
CREATE TABLE tbl_UpdateFile (
    UpdateFileID    INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    Version         NVARCHAR(20) COLLATE NOCASE,
    UpdateFile      IMAGE
);

-- ---------------------------------------------------------------------------
-- Servers and workstations (default connection).
-- ---------------------------------------------------------------------------

-- Database servers. For the SQLite engine IPAddress is the database file
-- (the Data Source) and ConnStr 'Provider=SQLite'.
CREATE TABLE tbl_DBServer (
    DBServerID      INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    DBServerCode    NVARCHAR(20) COLLATE NOCASE,
    NameL1          NVARCHAR(100) COLLATE NOCASE,
    NameL2          NVARCHAR(100) COLLATE NOCASE,
    NameL3          NVARCHAR(100) COLLATE NOCASE,
    IPAddress       NVARCHAR(1024) COLLATE NOCASE,
    ConnStr         NVARCHAR(255) COLLATE NOCASE,
    UserID          NVARCHAR(255) COLLATE NOCASE,
    Password        NVARCHAR(255) COLLATE NOCASE,
    CommandTimeout  INT DEFAULT 30
);

-- Workstations ('W'). IPAddress holds an address or the computer name.
CREATE TABLE tbl_Client (
    ClientID        INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    DBServerID      INT,
    ClientCode      NVARCHAR(20) COLLATE NOCASE,
    ClientType      NVARCHAR(1) COLLATE NOCASE,
    NameL1          NVARCHAR(100) COLLATE NOCASE,
    NameL2          NVARCHAR(100) COLLATE NOCASE,
    NameL3          NVARCHAR(100) COLLATE NOCASE,
    IPAddress       NVARCHAR(255) COLLATE NOCASE,
    ComputerName    NVARCHAR(100) COLLATE NOCASE,
    Location        NVARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IX_Client_IPAddress ON tbl_Client (IPAddress);

-- KIV servers (relays) the workstations connect to.
CREATE TABLE tbl_ServiceServer (
    ServiceID       INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    ServiceCode     NVARCHAR(20) COLLATE NOCASE,
    NameL1          NVARCHAR(100) COLLATE NOCASE,
    NameL2          NVARCHAR(100) COLLATE NOCASE,
    NameL3          NVARCHAR(100) COLLATE NOCASE,
    IPAddress       NVARCHAR(255) COLLATE NOCASE,
    ComputerName    NVARCHAR(100) COLLATE NOCASE,
    IPPort          INT,
    ClientConnectIP NVARCHAR(255) COLLATE NOCASE
);

CREATE TABLE tbl_POSServer (
    POSID           INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    POSCode         NVARCHAR(20) COLLATE NOCASE,
    NameL1          NVARCHAR(100) COLLATE NOCASE,
    NameL2          NVARCHAR(100) COLLATE NOCASE,
    NameL3          NVARCHAR(100) COLLATE NOCASE,
    IPAddress       NVARCHAR(255) COLLATE NOCASE,
    ComputerName    NVARCHAR(100) COLLATE NOCASE,
    IPPort          INT
);

-- Which POS servers a KIV server relays to.
CREATE TABLE tbl_ServicePOS (
    ServicePOSID    INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    ServiceID       INT,
    POSID           INT
);

-- ---------------------------------------------------------------------------
-- Venue: accounts, outlets, meal periods, calendars.
-- ---------------------------------------------------------------------------

CREATE TABLE tbl_Account (
    AccountID       INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    AccountCode     NVARCHAR(20) COLLATE NOCASE,
    POSID           INT,
    POSAccount      NVARCHAR(20) COLLATE NOCASE,
    NameL1          NVARCHAR(100) COLLATE NOCASE,
    NameL2          NVARCHAR(100) COLLATE NOCASE,
    NameL3          NVARCHAR(100) COLLATE NOCASE,
    DescL1          NVARCHAR(255) COLLATE NOCASE,
    DescL2          NVARCHAR(255) COLLATE NOCASE,
    DescL3          NVARCHAR(255) COLLATE NOCASE
);

-- Outlets. Flags read as "text is '1'" are text; flags read as non-zero or
-- "equals 1" are integers. The DY... columns, Payment and SupportAdmission
-- are the race-meeting (ORBA) attributes.
CREATE TABLE tbl_Outlet (
    OutletID        INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    DBServerID      INT,
    OutletCode      NVARCHAR(20) COLLATE NOCASE,
    POSOutletCode   NVARCHAR(20) COLLATE NOCASE,
    POSID           INT,
    AccountID       INT,
    NameL1          NVARCHAR(100) COLLATE NOCASE,
    NameL2          NVARCHAR(100) COLLATE NOCASE,
    NameL3          NVARCHAR(100) COLLATE NOCASE,
    DescL1          NVARCHAR(255) COLLATE NOCASE,
    DescL2          NVARCHAR(255) COLLATE NOCASE,
    DescL3          NVARCHAR(255) COLLATE NOCASE,
    AddressL1       NVARCHAR(255) COLLATE NOCASE,
    AddressL2       NVARCHAR(255) COLLATE NOCASE,
    AddressL3       NVARCHAR(255) COLLATE NOCASE,
    Phone           NVARCHAR(50) COLLATE NOCASE,
    Fax             NVARCHAR(50) COLLATE NOCASE,
    ServiceID       INT,
    ShareType       INT DEFAULT 0,
    PrintReceipt    NVARCHAR(5) COLLATE NOCASE,
    OpenPOSCheck    INT DEFAULT 0,
    ResvCoverGreaterWarning INT DEFAULT 0,
    ResvCoverSmallerWarning INT DEFAULT 0,
    ResvBufferTime  INT DEFAULT 0,
    ReqLoginAction  INT DEFAULT 0,
    FVResvDayLimit  SMALLINT DEFAULT 0,
    NotAllowDoubleBook INT DEFAULT 0,
    PopAlertUpdateGP INT DEFAULT 0,
    MandatoryBlockRemark INT DEFAULT 0,
    PopAlertMsg     NVARCHAR(5) COLLATE NOCASE,
    SMSServerID     INT,
    MailServerID    INT,
    ResvSumToPOSCheck INT DEFAULT 0,
    AllowSelPrintTpl NVARCHAR(5) COLLATE NOCASE,
    AllowSelPrinter NVARCHAR(5) COLLATE NOCASE,
    ShowZeorAmtCheckTime INT DEFAULT 0,
    PopAlertIsBlackList INT DEFAULT 0,
    ShowStatByIntervalInResv INT DEFAULT 0,
    CheckCover      INT DEFAULT 0,
    AllowWebBooking NVARCHAR(5) COLLATE NOCASE,
    OverBookingAlert INT DEFAULT 0,
    BookerDiscovery INT DEFAULT 0,
    NotArrivalOverResvCover INT DEFAULT 0,
    DefFilePath     NVARCHAR(255) COLLATE NOCASE,
    ApplyDefaultCancelCode INT DEFAULT 0,
    HolidayCalendarGroupID INT,
    AllotmentType   INT DEFAULT 0,
    MandatoryCxlRemark INT DEFAULT 0,
    DYType          NVARCHAR(20) COLLATE NOCASE,
    DYBoxType       NVARCHAR(20) COLLATE NOCASE,
    DYBoxLevel      INT,
    DYHorseOwner    NVARCHAR(20) COLLATE NOCASE,
    DYLocation      NVARCHAR(50) COLLATE NOCASE,
    DYServiceType   NVARCHAR(20) COLLATE NOCASE,
    DYCrossBet      INT,
    DYCPL           INT,
    DYCPLCharge     MONEY,
    DYCoach         INT,
    DYInPerson      INT,
    DYPhoneBooking  INT,
    DYWalkin        INT,
    Payment         INT,
    SupportAdmission INT DEFAULT 0
);

-- Meal periods of an outlet. A split period has a first part
-- MPStartTime..MPEndTime1 and a second MPStartTime2..MPEndTime; an end before
-- the start runs past midnight.
CREATE TABLE tbl_MPOutlet (
    MPOutletID      INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    MPCode          NVARCHAR(20) COLLATE NOCASE,
    OutletID        INT,
    NameL1          NVARCHAR(100) COLLATE NOCASE,
    NameL2          NVARCHAR(100) COLLATE NOCASE,
    NameL3          NVARCHAR(100) COLLATE NOCASE,
    DescL1          NVARCHAR(255) COLLATE NOCASE,
    DescL2          NVARCHAR(255) COLLATE NOCASE,
    DescL3          NVARCHAR(255) COLLATE NOCASE,
    MPStartTime     TIME,
    MPEndTime1      TIME,
    MPStartTime2    TIME,
    MPEndTime       TIME
);
CREATE INDEX IX_MPOutlet_Outlet ON tbl_MPOutlet (OutletID);

-- Cover capacity per time interval of a meal period.
CREATE TABLE tbl_MPCapacity (
    MPCapacityID    INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    MPOutletID      INT,
    StartTime       TIME,
    EndTime         TIME,
    Capacity        INT
);
CREATE INDEX IX_MPCapacity_MP ON tbl_MPCapacity (MPOutletID);

-- Named sets of business dates (weekends, holidays, seasons).
CREATE TABLE tbl_CalendarGroup (
    CalendarGroupID INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    CalendarGroupCode NVARCHAR(20) COLLATE NOCASE,
    NameL1          NVARCHAR(100) COLLATE NOCASE,
    NameL2          NVARCHAR(100) COLLATE NOCASE,
    NameL3          NVARCHAR(100) COLLATE NOCASE
);

CREATE TABLE tbl_Calendar (
    CalendarID      INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    CalendarGroupID INT,
    CalendarDate    DATE
);
CREATE INDEX IX_Calendar_Group_Date ON tbl_Calendar (CalendarGroupID, CalendarDate);

-- ---------------------------------------------------------------------------
-- Floor plans, tables, live status, holds, blocks (the outlet's server).
-- ---------------------------------------------------------------------------

CREATE TABLE tbl_FPSection (
    FPSectionID     INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    DBServerID      INT,
    FPSectionCode   NVARCHAR(20) COLLATE NOCASE,
    OutletID        INT,
    NameL1          NVARCHAR(100) COLLATE NOCASE,
    NameL2          NVARCHAR(100) COLLATE NOCASE,
    NameL3          NVARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IX_FPSection_Outlet ON tbl_FPSection (OutletID);

CREATE TABLE tbl_FloorPlan (
    FPID            INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    FPCode          NVARCHAR(20) COLLATE NOCASE,
    NameL1          NVARCHAR(100) COLLATE NOCASE,
    NameL2          NVARCHAR(100) COLLATE NOCASE,
    NameL3          NVARCHAR(100) COLLATE NOCASE,
    DescL1          NVARCHAR(255) COLLATE NOCASE,
    DescL2          NVARCHAR(255) COLLATE NOCASE,
    DescL3          NVARCHAR(255) COLLATE NOCASE,
    BgColor         INT,
    FPHeight        INT,
    FPWidth         INT,
    TableFontSize   INT,
    DBServerID      INT,
    OutletID        INT
);
CREATE INDEX IX_FloorPlan_Outlet ON tbl_FloorPlan (OutletID);

-- Tables drawn on a floor plan; TableNo is stored upper-cased.
CREATE TABLE tbl_FPTable (
    FPTableID       INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    FPID            INT,
    TableNo         NVARCHAR(8) COLLATE NOCASE,
    YCoord          INT,
    XCoord          INT,
    TWidth          INT,
    THeight         INT,
    TCapacity       INT,
    TShapeID        INT,
    SeatArrange     INT,
    StartAngle      INT,
    FPSectionID     INT,
    TT1             NVARCHAR(50) COLLATE NOCASE,
    TT2             NVARCHAR(50) COLLATE NOCASE,
    TT3             NVARCHAR(50) COLLATE NOCASE,
    TT4             NVARCHAR(50) COLLATE NOCASE,
    TT5             NVARCHAR(50) COLLATE NOCASE,
    TableNoParent   NVARCHAR(8) COLLATE NOCASE,
    IsShare         SMALLINT DEFAULT 0,
    IsShow          SMALLINT DEFAULT 1,
    ReserveMode     NVARCHAR(1) COLLATE NOCASE,
    ShareType       SMALLINT DEFAULT 0,
    ShareCount      SMALLINT DEFAULT 0,
    MinRCover       INT,
    MaxRCover       INT,
    Priority        INT,
    ExtraSeats      INT DEFAULT 0,
    MergeTable1     NVARCHAR(8) COLLATE NOCASE,
    MergeTable2     NVARCHAR(8) COLLATE NOCASE,
    MergeTable3     NVARCHAR(8) COLLATE NOCASE,
    MergeTable4     NVARCHAR(8) COLLATE NOCASE,
    MergeTable5     NVARCHAR(8) COLLATE NOCASE,
    MergeCover1     INT,
    MergeCover2     INT,
    MergeCover3     INT,
    MergeCover4     INT,
    MergeCover5     INT
);
CREATE INDEX IX_FPTable_FPID ON tbl_FPTable (FPID, TableNo);

-- Which floor plans are in force for an outlet and meal period: rows for one
-- business date (BizDate), rows for a calendar group (CalendarGroupID), and
-- the default rows (neither). MPOutletID NULL applies to every meal period
-- of the outlet. Capacity 0 or NULL means the sum of the plan's seats.
CREATE TABLE tbl_FPOutlet (
    FPOutletID      INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    DBServerID      INT,
    FPID            INT,
    OutletID        INT,
    MPOutletID      INT,
    CalendarGroupID INT,
    BizDate         DATE,
    SeqNo           INT DEFAULT 0,
    Capacity        INT
);
CREATE INDEX IX_FPOutlet_Outlet_MP ON tbl_FPOutlet (OutletID, MPOutletID);

-- Live status of each table of an outlet (one row per outlet and TableNo).
CREATE TABLE tbl_TableStatus (
    TableStatusID   INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    DBServerID      INT,
    OutletID        INT,
    TableNo         NVARCHAR(8) COLLATE NOCASE,
    TableStatus     NVARCHAR(2) COLLATE NOCASE,
    LastChangeTime  DATETIME,
    LastTableStatus NVARCHAR(2) COLLATE NOCASE,
    CheckNo         NVARCHAR(20) COLLATE NOCASE,
    CheckOpenTime   DATETIME,
    LastOrderTime   DATETIME,
    LastPrintTime   DATETIME,
    LastCleanTime   DATETIME,
    CheckCover      INT DEFAULT 0,
    CheckTotal      MONEY DEFAULT 0,
    ReserveID       INT DEFAULT 0,
    WaitReserveID   INT DEFAULT 0,
    MergeStatus     NVARCHAR(20) COLLATE NOCASE,
    WaitMergeStatus NVARCHAR(20) COLLATE NOCASE,
    Remark          NVARCHAR(255) COLLATE NOCASE,
    CheckPrintCnt   INT DEFAULT 0,
    Member          NVARCHAR(50) COLLATE NOCASE,
    MemberInfo      NVARCHAR(255) COLLATE NOCASE,
    MinimumTableTotal MONEY DEFAULT 0,
    SubmitResvInfoToPOS INT DEFAULT 0
);
CREATE INDEX IX_TableStatus_Outlet_Table ON tbl_TableStatus (OutletID, TableNo);
CREATE INDEX IX_TableStatus_Reserve ON tbl_TableStatus (ReserveID);

-- Temporary holds of tables while a reservation is being taken.
CREATE TABLE tbl_TableTemp (
    TempID          INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    DBServerID      INT,
    OutletID        INT,
    MPOutletID      INT,
    ReserveDate     DATE,
    TableNo         NVARCHAR(8) COLLATE NOCASE,
    HoldDT          DATETIME,
    UserID          INT,
    ClientID        INT,
    WebSessionID    INT
);
CREATE INDEX IX_TableTemp_Outlet_Date_MP ON tbl_TableTemp (OutletID, ReserveDate, MPOutletID);
-- One standing hold per table, date and meal period, even when two
-- workstations ask at the same moment.
CREATE UNIQUE INDEX UX_TableTemp_Active ON tbl_TableTemp (OutletID, ReserveDate, MPOutletID, TableNo)
    WHERE RowStatus = 'A';
CREATE INDEX IX_TableTemp_Client ON tbl_TableTemp (ClientID, RowStatus);

-- Blocked tables; BeginDate/EndDate NULL leave that side open.
CREATE TABLE tbl_TableBlock (
    TableBlockID    INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    DBServerID      INT,
    OutletID        INT,
    MPOutletID      INT,
    TableNo         NVARCHAR(8) COLLATE NOCASE,
    BeginDate       DATE,
    EndDate         DATE,
    BlockUserID     INT,
    BlockDT         DATETIME,
    Remark          NVARCHAR(255) COLLATE NOCASE
);
CREATE INDEX IX_TableBlock_Outlet_MP ON tbl_TableBlock (OutletID, MPOutletID, TableNo);

-- Colours: ColorModule 'S' (state code in Value1), 'T' (elapsed minutes
-- Value1..Value2), 'C' (an integer in Value1). Value1/Value2 hold numbers or
-- text like SQL Server's sql_variant: numbers order numerically.
CREATE TABLE tbl_ColorDef (
    ColorID         INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    ColorModule     NVARCHAR(1) COLLATE NOCASE,
    ColorValue      INT,
    NameL1          NVARCHAR(100) COLLATE NOCASE,
    NameL2          NVARCHAR(100) COLLATE NOCASE,
    NameL3          NVARCHAR(100) COLLATE NOCASE,
    Value1          SQL_VARIANT COLLATE NOCASE,
    Value2          SQL_VARIANT COLLATE NOCASE
);

-- ---------------------------------------------------------------------------
-- Guests and reservations (the outlet's server; guests are copied into every
-- database with the same GuestID).
-- ---------------------------------------------------------------------------

CREATE TABLE tbl_Guest (
    GuestID         INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    DBServerID      INT DEFAULT 1,
    GuestNo         NVARCHAR(20) COLLATE NOCASE,
    UserID          INT,
    CreateDT        DATETIME,
    UpdateDT        DATETIME,
    UpdateUserID    INT,
    DYAccountNo     NVARCHAR(50) COLLATE NOCASE,
    DYHolderNo      NVARCHAR(20) COLLATE NOCASE,
    DYSalutation    NVARCHAR(20) COLLATE NOCASE,
    DYFirstName     NVARCHAR(100) COLLATE NOCASE,
    DYLastName      NVARCHAR(100) COLLATE NOCASE,
    DYChineseName   NVARCHAR(100) COLLATE NOCASE,
    ContactPhone    NVARCHAR(50) COLLATE NOCASE,
    DYSMSContact    NVARCHAR(50) COLLATE NOCASE,
    Email           NVARCHAR(255) COLLATE NOCASE,
    DYMemCategory   NVARCHAR(20) COLLATE NOCASE,
    DYType          NVARCHAR(20) COLLATE NOCASE,
    ReceiveSMS      NVARCHAR(3) COLLATE NOCASE,
    ReceiveEmail    NVARCHAR(3) COLLATE NOCASE,
    BlackList       NVARCHAR(3) COLLATE NOCASE,
    BlackListCaption NVARCHAR(255) COLLATE NOCASE,
    RefNo1          NVARCHAR(40) COLLATE NOCASE,
    RefNo2          NVARCHAR(40) COLLATE NOCASE,
    RefNo3          NVARCHAR(40) COLLATE NOCASE,
    RefNo4          NVARCHAR(40) COLLATE NOCASE,
    Gender          NVARCHAR(1) COLLATE NOCASE,
    DateOfBirth     DATE,
    DateOfBirthType INT,
    HierID          INT,
    HierGroupID     INT,
    CompanyName     NVARCHAR(255) COLLATE NOCASE,
    Remark          NTEXT COLLATE NOCASE
);
CREATE INDEX IX_Guest_Account ON tbl_Guest (DYAccountNo, DYHolderNo);
CREATE INDEX IX_Guest_Phone ON tbl_Guest (ContactPhone);

-- Reservations. The guest columns (DY..., ContactPhone, Email, Receive...)
-- are copied from the guest and also exist in tbl_Guest, because lists read
-- them from either side.
CREATE TABLE tbl_Reservation (
    ReserveID       INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    DBServerID      INT,
    OutletID        INT,
    MPOutletID      INT,
    CreateOutletID  INT,
    ReserveNo       NVARCHAR(20) COLLATE NOCASE,
    CustReserveNo   NVARCHAR(50) COLLATE NOCASE,
    ReserveGUID     NVARCHAR(40) COLLATE NOCASE,
    ReserveDate     DATE,
    ReserveTime     TIME,
    ReserveCover    INT,
    OccupyCover     INT,
    ArrivalTime     TIME,
    ArrivalCover    INT,
    ReturnTime      TIME,
    ReserveType     NVARCHAR(1) COLLATE NOCASE,
    ReserveMode     NVARCHAR(1) COLLATE NOCASE,
    ReserveStatus   NVARCHAR(1) COLLATE NOCASE,
    ConfirmStatus   BIT,
    WaitDT          DATETIME,
    GuestID         INT DEFAULT 0,
    DYSalutation    NVARCHAR(20) COLLATE NOCASE,
    DYFirstName     NVARCHAR(100) COLLATE NOCASE,
    DYLastName      NVARCHAR(100) COLLATE NOCASE,
    DYChineseName   NVARCHAR(100) COLLATE NOCASE,
    ContactPhone    NVARCHAR(50) COLLATE NOCASE,
    DYSMSContact    NVARCHAR(50) COLLATE NOCASE,
    Email           NVARCHAR(255) COLLATE NOCASE,
    ReceiveSMS      NVARCHAR(3) COLLATE NOCASE,
    ReceiveEmail    NVARCHAR(3) COLLATE NOCASE,
    DYAccountNo     NVARCHAR(50) COLLATE NOCASE,
    DYHolderNo      NVARCHAR(20) COLLATE NOCASE,
    DYMemCategory   NVARCHAR(20) COLLATE NOCASE,
    DYType          NVARCHAR(20) COLLATE NOCASE,
    DYAdult         INT,
    DYChildren      INT,
    DYMinCharge     MONEY,
    DYCPLCharge     MONEY,
    DYNightRace     NVARCHAR(1) COLLATE NOCASE,
    DYBookerAccountNo NVARCHAR(50) COLLATE NOCASE,
    Remark          NTEXT COLLATE NOCASE,
    CancelMsgID     INT,
    CancelMsgCat    NVARCHAR(20) COLLATE NOCASE,
    CancelMsgSubCat NVARCHAR(20) COLLATE NOCASE,
    CancelUserID    INT,
    CancelDT        DATETIME,
    CreateUserID    INT,
    CreateClientID  INT,
    CreateDT        DATETIME,
    UpdateUserID    INT,
    UpdateClientID  INT,
    UpdateDT        DATETIME,
    UpdateCountByUser INT DEFAULT 0,
    PaymentRefBy    NVARCHAR(50) COLLATE NOCASE,
    ReferAmount     MONEY,
    AllowPaymentRef INT,
    BulkReserveID   INT,
    HierID          INT,
    HierGroupID     INT
);
CREATE INDEX IX_Reservation_Outlet_Date_MP ON tbl_Reservation (OutletID, ReserveDate, MPOutletID);
CREATE INDEX IX_Reservation_Guest ON tbl_Reservation (GuestID);
CREATE INDEX IX_Reservation_Outlet_No ON tbl_Reservation (OutletID, ReserveNo);

-- Table bindings of reservations.
CREATE TABLE tbl_TableReserve (
    TableReserveID  INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    DBServerID      INT,
    ReserveID       INT,
    TableNo         NVARCHAR(8) COLLATE NOCASE,
    IsShare         SMALLINT DEFAULT 0,
    CheckNo         NVARCHAR(20) COLLATE NOCASE,
    CheckOpenTime   DATETIME,
    CheckPrintTime  DATETIME,
    CheckCloseTime  DATETIME,
    CheckCover      INT,
    CheckTotal      MONEY,
    Capacity        SMALLINT,
    Occupied        SMALLINT,
    Reserved        SMALLINT,
    POSTableNo      NVARCHAR(8) COLLATE NOCASE
);
CREATE INDEX IX_TableReserve_Reserve ON tbl_TableReserve (ReserveID);
CREATE INDEX IX_TableReserve_Table ON tbl_TableReserve (TableNo);

-- Reservation change log.
CREATE TABLE tbl_ReservationLog (
    ReservationLogID INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    DBServerID      INT,
    ReserveID       INT,
    UpdateDT        DATETIME,
    UpdateUserID    INT,
    UpdateClientID  INT,
    TableNo         NVARCHAR(255) COLLATE NOCASE,
    ReserveCover    INT,
    ReserveTime     TIME,
    ConfirmStatus   BIT,
    ReserveType     NVARCHAR(1) COLLATE NOCASE,
    ReserveDate     DATE,
    Remark          NTEXT COLLATE NOCASE,
    Summary         NTEXT COLLATE NOCASE
);
CREATE INDEX IX_ReservationLog_Reserve ON tbl_ReservationLog (ReserveID);

-- Reservation numbers handed out per outlet and day by sp_CM_GetReserveNo.
CREATE TABLE tbl_ReserveNoCounter (
    OutletID        INT NOT NULL,
    CounterDate     DATE NOT NULL,
    LastNo          INT NOT NULL DEFAULT 0,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    PRIMARY KEY (OutletID, CounterDate)
);

-- Tables (kind 1) or covers (kind 2) of a table size kept for web bookings;
-- BizDate NULL is the outlet's default for the meal period.
CREATE TABLE tbl_WebAllotment (
    WebAllotmentID  INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    OutletID        INT,
    MPOutletID      INT,
    BizDate         DATE,
    TableSize       INT,
    AllotNum        INT
);
CREATE INDEX IX_WebAllotment_Outlet_MP ON tbl_WebAllotment (OutletID, MPOutletID);

-- Time slots opened or closed for web bookings.
CREATE TABLE tbl_WebReserveTimeSetting (
    WebReserveTimeSettingID INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    OutletCode      NVARCHAR(20) COLLATE NOCASE,
    ReserveDate     DATE,
    MPOutletID      INT,
    StartTime       TIME,
    EndTime         TIME,
    TableSize       INT,
    MinPax          INT,
    ReserveTimeStatus NVARCHAR(1) COLLATE NOCASE,
    SubmitStatus    NVARCHAR(1) COLLATE NOCASE
);

-- ---------------------------------------------------------------------------
-- Profiles.
-- ---------------------------------------------------------------------------

-- One row per field of the data-driven guest and reservation forms.
-- Orders are 0 when the field is not shown in that place.
CREATE TABLE tbl_ProfileDefinition (
    ProfileID       INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    ProfileCode     NVARCHAR(50) COLLATE NOCASE,
    DescL1          NVARCHAR(100) COLLATE NOCASE,
    DescL2          NVARCHAR(100) COLLATE NOCASE,
    DescL3          NVARCHAR(100) COLLATE NOCASE,
    ResvListHeaderL1 NVARCHAR(100) COLLATE NOCASE,
    ResvListHeaderL2 NVARCHAR(100) COLLATE NOCASE,
    ResvListHeaderL3 NVARCHAR(100) COLLATE NOCASE,
    InputType       NVARCHAR(4) COLLATE NOCASE,
    DataType        NVARCHAR(4) COLLATE NOCASE,
    InputWidth      INT,
    InputListWidth  INT,
    InputHeight     INT,
    NameLabelWidth  INT,
    Pattern         NVARCHAR(255) COLLATE NOCASE,
    "Match"         NVARCHAR(255) COLLATE NOCASE,
    DisplayFormat   NVARCHAR(50) COLLATE NOCASE,
    PrintMaxLen     INT,
    DefaultValue    NVARCHAR(255) COLLATE NOCASE,
    MinValue        NVARCHAR(50) COLLATE NOCASE,
    MaxValue        NVARCHAR(50) COLLATE NOCASE,
    YearMust        BIT DEFAULT 0,
    IsOption        BIT DEFAULT 0,
    IsDynDate       BIT DEFAULT 0,
    IsUnique        BIT DEFAULT 0,
    ConfirmOnOverwrite BIT DEFAULT 0,
    FieldValidateCode NVARCHAR(50) COLLATE NOCASE,
    FieldActionCode NVARCHAR(50) COLLATE NOCASE,
    DBField         NVARCHAR(50) COLLATE NOCASE,
    DBDataType      NVARCHAR(4) COLLATE NOCASE,
    DBSize          INT,
    DataFromGuestTable BIT DEFAULT 0,
    DataFromResvTable BIT DEFAULT 0,
    NewResvKeepData BIT DEFAULT 0,
    GuestAllowNull  BIT DEFAULT 1,
    ResvAllowNull   BIT DEFAULT 1,
    IsGuestMust     BIT DEFAULT 0,
    GuestModeOrder  INT DEFAULT 0,
    TelephoneModeOrder INT DEFAULT 0,
    InPersonModeOrder INT DEFAULT 0,
    WalkinModeOrder INT DEFAULT 0,
    BulkModeOrder   INT DEFAULT 0,
    ResvOpeNormalListOrder INT DEFAULT 0,
    ResvOpeWaitListOrder INT DEFAULT 0,
    ResvOpeCancelListOrder INT DEFAULT 0,
    ResvOpeSettleListOrder INT DEFAULT 0,
    ResvOpeResultListOrder INT DEFAULT 0,
    ResvOpeReportListOrder INT DEFAULT 0,
    ResvCheckInListOrder INT DEFAULT 0,
    GuestPastResvListOrder INT DEFAULT 0,
    GuestFutureResvListOrder INT DEFAULT 0,
    GuestCancelResvListOrder INT DEFAULT 0,
    GuestSearchOrder INT DEFAULT 0,
    GuestInfoSummaryOrder INT DEFAULT 0,
    ResvListSummaryOrder INT DEFAULT 0,
    ResvGuestNameOrder INT DEFAULT 0,
    ResvSearchOrder INT DEFAULT 0,
    DiscoverGuestListOrder INT DEFAULT 0,
    MergeGuestListOrder INT DEFAULT 0,
    ResvAdvSearchOrder INT DEFAULT 0,
    SMSOrder        INT DEFAULT 0,
    EmailOrder      INT DEFAULT 0,
    IsGuestView     BIT DEFAULT 0,
    IsGuestSearch   BIT DEFAULT 0,
    IsGuestVisible  BIT DEFAULT 0,
    IsGuestNew      BIT DEFAULT 0,
    IsGuestNewEnabled BIT DEFAULT 0,
    IsGuestUpdate   BIT DEFAULT 0,
    IsGuestUpdateEnabled BIT DEFAULT 0,
    IsTeleResvView  BIT DEFAULT 0,
    IsTeleResvSearch BIT DEFAULT 0,
    IsTeleResvVisible BIT DEFAULT 0,
    IsTeleResvNew   BIT DEFAULT 0,
    IsTeleResvNewEnabled BIT DEFAULT 0,
    IsTeleResvUpdate BIT DEFAULT 0,
    IsTeleResvUpdateEnabled BIT DEFAULT 0,
    IsTeleResvMust  BIT DEFAULT 0,
    IsInPerResvView BIT DEFAULT 0,
    IsInPerResvSearch BIT DEFAULT 0,
    IsInPerResvVisible BIT DEFAULT 0,
    IsInPerResvNew  BIT DEFAULT 0,
    IsInPerResvNewEnabled BIT DEFAULT 0,
    IsInPerResvUpdate BIT DEFAULT 0,
    IsInPerResvUpdateEnabled BIT DEFAULT 0,
    IsInPerResvMust BIT DEFAULT 0,
    IsWalkInView    BIT DEFAULT 0,
    IsWalkInSearch  BIT DEFAULT 0,
    IsWalkInVisible BIT DEFAULT 0,
    IsWalkInNew     BIT DEFAULT 0,
    IsWalkInNewEnabled BIT DEFAULT 0,
    IsWalkInMust    BIT DEFAULT 0,
    IsBulkResvView  BIT DEFAULT 0,
    IsBulkResvSearch BIT DEFAULT 0,
    IsBulkResvVisible BIT DEFAULT 0,
    IsBulkResvNew   BIT DEFAULT 0,
    IsBulkResvNewEnabled BIT DEFAULT 0,
    IsBulkResvMust  BIT DEFAULT 0,
    IsResvListOprView BIT DEFAULT 0,
    IsResvListOprVisible BIT DEFAULT 0,
    DuplicateResvCriteria NVARCHAR(20) COLLATE NOCASE,
    ResvMoreButton  BIT DEFAULT 0,
    GuestMoreButton BIT DEFAULT 0,
    IsProfileCopySearch BIT DEFAULT 0,
    IsProfileCopyNewResv BIT DEFAULT 0,
    IsProfileResvGuestUpdate BIT DEFAULT 0,
    IsProfileListSearch BIT DEFAULT 0,
    ProfileExport   BIT DEFAULT 0,
    ProfileImportNew BIT DEFAULT 0,
    ProfileImportUpdate BIT DEFAULT 0,
    CrossSearchFields NVARCHAR(255) COLLATE NOCASE,
    MessageType     NVARCHAR(10) COLLATE NOCASE
);
CREATE INDEX IX_ProfileDefinition_Code ON tbl_ProfileDefinition (ProfileCode);

-- ---------------------------------------------------------------------------
-- Messages: templates, queued messages, batch jobs, cancel reasons, instant
-- messages between workstations.
-- ---------------------------------------------------------------------------

-- Cancel reasons (MsgType 'CXL', MsgCat 'MAN'); MsgSubCat decides where a
-- reason is offered: DCL decline, NS no-show, BULK bulk, N cancel, NCP.
CREATE TABLE tbl_Message (
    MsgID           INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    MsgType         NVARCHAR(10) COLLATE NOCASE,
    MsgCode         NVARCHAR(20) COLLATE NOCASE,
    MsgCat          NVARCHAR(20) COLLATE NOCASE,
    MsgSubCat       NVARCHAR(20) COLLATE NOCASE,
    NameL1          NVARCHAR(255) COLLATE NOCASE,
    NameL2          NVARCHAR(255) COLLATE NOCASE,
    NameL3          NVARCHAR(255) COLLATE NOCASE,
    IsDefault       BIT DEFAULT 0,
    ShowPaymentRef  BIT DEFAULT 0,
    ShowRefuntAmt   BIT DEFAULT 0
);

CREATE TABLE tbl_Template (
    TemplateID      INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    DBServerID      INT,
    TemplateCode    NVARCHAR(50) COLLATE NOCASE,
    Type            NVARCHAR(10) COLLATE NOCASE,
    FormatType      NVARCHAR(10) COLLATE NOCASE,
    Template        NTEXT COLLATE NOCASE,
    Subject         NVARCHAR(255) COLLATE NOCASE,
    UpdateUserID    INT,
    MasterTplID     INT
);

-- Events that trigger guest messages.
CREATE TABLE tbl_MessageEvent (
    EventID         INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    EventModule     NVARCHAR(20) COLLATE NOCASE,
    EventCode       NVARCHAR(50) COLLATE NOCASE,
    NameL1          NVARCHAR(100) COLLATE NOCASE,
    NameL2          NVARCHAR(100) COLLATE NOCASE,
    NameL3          NVARCHAR(100) COLLATE NOCASE
);

-- Message configuration of an outlet per event: for a business date, a
-- calendar group, or the default (neither).
CREATE TABLE tbl_SMSOutlet (
    SMSOutletID     INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    OutletID        INT,
    MPOutletID      INT,
    EventID         INT,
    DefTemplateID   INT,
    CalendarGroupID INT,
    BizDate         DATE,
    MessageType     NVARCHAR(10) COLLATE NOCASE,
    SendOption      INT,
    SendBeforeMin   INT,
    SendBeforeDay   INT,
    SendAt          TIME,
    BeforeAfterOption INT,
    -- The SMS server (tbl_SMSServer) or mail server (tbl_MailServer) by
    -- MessageType; the date of SendOption 3; the expiry: 0 none, 1 the
    -- reservation time plus ExpiryMinutes, 2 the send time plus ExpiryMinutes.
    ServerID        INT,
    SendDay         DATE,
    ExpiryOption    INT DEFAULT 0,
    ExpiryMinutes   INT DEFAULT 0
);
CREATE INDEX IX_SMSOutlet_Outlet_Event ON tbl_SMSOutlet (OutletID, EventID);

CREATE TABLE tbl_SMSServer (
    SMSServerID     INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    SMSServerCode   NVARCHAR(20) COLLATE NOCASE,
    NameL1          NVARCHAR(100) COLLATE NOCASE,
    NameL2          NVARCHAR(100) COLLATE NOCASE,
    NameL3          NVARCHAR(100) COLLATE NOCASE,
    IPAddress       NVARCHAR(255) COLLATE NOCASE,
    IPPort          INT
);

CREATE TABLE tbl_MailServer (
    MailServerID    INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    MailServerCode  NVARCHAR(20) COLLATE NOCASE,
    NameL1          NVARCHAR(100) COLLATE NOCASE,
    NameL2          NVARCHAR(100) COLLATE NOCASE,
    NameL3          NVARCHAR(100) COLLATE NOCASE,
    IPAddress       NVARCHAR(255) COLLATE NOCASE,
    IPPort          INT,
    SenderAddress   NVARCHAR(255) COLLATE NOCASE
);

-- One SMS or e-mail of one reservation, queued for the message server.
CREATE TABLE tbl_ReservationMsg (
    ReserveMsgID    INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    ReserveID       INT,
    GuestID         INT,
    ServerID        INT,
    EventID         INT,
    EventName       NVARCHAR(100) COLLATE NOCASE,
    MessageType     NVARCHAR(10) COLLATE NOCASE,
    TemplateID      INT,
    Destination     NVARCHAR(255) COLLATE NOCASE,
    CCMail          NVARCHAR(255) COLLATE NOCASE,
    BCCMail         NVARCHAR(255) COLLATE NOCASE,
    MessageSubject  NVARCHAR(255) COLLATE NOCASE,
    MessageContent  NTEXT COLLATE NOCASE,
    SendTime        DATETIME,
    ExpiryTime      DATETIME,
    ExpiryOption    INT,
    Priority        INT,
    DefSend         INT,
    SendOption      INT,
    SendHours       INT,
    SendBeforeMin   INT,
    SendDay         DATE,
    SendBeforeDay   INT,
    SendDateTime    DATETIME,
    SendAt          TIME,
    BeforeAfterOption INT,
    ContactField    NVARCHAR(50) COLLATE NOCASE,
    Source          NVARCHAR(20) COLLATE NOCASE,
    SMSOutletID     INT,
    MailOutletID    INT,
    Remark          NVARCHAR(255) COLLATE NOCASE,
    UpdateUserID    INT,
    SubmitStatus    NVARCHAR(1) COLLATE NOCASE
);
CREATE INDEX IX_ReservationMsg_Reserve ON tbl_ReservationMsg (ReserveID);

CREATE TABLE tbl_BatchMsgJob (
    BatchMsgJobID   INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    JobName         NVARCHAR(100) COLLATE NOCASE,
    ServerID        INT,
    MessageType     NVARCHAR(10) COLLATE NOCASE,
    TemplateID      INT,
    TemplateContent NTEXT COLLATE NOCASE,
    MessageSubject  NVARCHAR(255) COLLATE NOCASE,
    SendTime        DATETIME,
    ExpiryTime      DATETIME,
    JobClassID      INT,
    Parameter1      NVARCHAR(255) COLLATE NOCASE,
    Parameter2      NVARCHAR(255) COLLATE NOCASE,
    Parameter3      NVARCHAR(255) COLLATE NOCASE,
    Parameter4      NVARCHAR(255) COLLATE NOCASE,
    Remark          NVARCHAR(255) COLLATE NOCASE,
    UpdateUserID    INT
);

CREATE TABLE tbl_BatchMsg (
    BatchMsgID      INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    BatchMsgJobID   INT,
    GuestID         INT,
    Destination     NVARCHAR(255) COLLATE NOCASE,
    MessageContent  NTEXT COLLATE NOCASE,
    SubmitStatus    NVARCHAR(1) COLLATE NOCASE,
    MessageStatus   NVARCHAR(1) COLLATE NOCASE,
    UpdateUserID    INT
);
CREATE INDEX IX_BatchMsg_Job ON tbl_BatchMsg (BatchMsgJobID);

-- Files attached to a template, a batch job or one reservation message.
CREATE TABLE tbl_TemplateAttachment (
    TemplateAttachmentID INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    ImageName       NVARCHAR(255) COLLATE NOCASE,
    TemplateID      INT,
    BatchMsgJobID   INT,
    ReserveMsgID    INT,
    Attachment      IMAGE,
    UpdateUserID    INT
);

CREATE TABLE tbl_InstantMsg (
    InstantMsgID    INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    DBServerID      INT,
    ClientID        INT,
    SendDT          DATETIME,
    InstantMsg      NTEXT COLLATE NOCASE
);

CREATE TABLE tbl_ClientInstantMsg (
    ClientInstantMsgID INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    DBServerID      INT,
    InstantMsgID    INT,
    ClientID        INT
);
CREATE INDEX IX_ClientInstantMsg_Msg ON tbl_ClientInstantMsg (InstantMsgID);

-- ---------------------------------------------------------------------------
-- Race-meeting site tables (ORBA mode).
-- ---------------------------------------------------------------------------

CREATE TABLE tbl_ORBA_RaceSchedule (
    RaceID          INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    MeetingDate     DATE,
    NightRace       INT DEFAULT 0,
    Venue           NVARCHAR(50) COLLATE NOCASE
);

-- Booking windows of an outlet for a race meeting.
CREATE TABLE tbl_ORBA_OutletSchedule (
    OutletScheduleID INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    RaceID          INT,
    OutletID        INT,
    OnCourseDT      DATETIME,
    PhoneBookingDT  DATETIME,
    CancelDT        DATETIME
);

CREATE TABLE tbl_ORBA_BoxType (
    BoxTypeID       INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    BoxType         NVARCHAR(20) COLLATE NOCASE,
    NameL1          NVARCHAR(100) COLLATE NOCASE,
    NameL2          NVARCHAR(100) COLLATE NOCASE,
    NameL3          NVARCHAR(100) COLLATE NOCASE
);

CREATE TABLE tbl_ORBA_Syndicate (
    SyndicateID     INTEGER PRIMARY KEY AUTOINCREMENT,
    RowModified     DATETIME DEFAULT (datetime('now', 'localtime')),
    RowStatus       NVARCHAR(1) COLLATE NOCASE DEFAULT 'A',
    SyndiCode       NVARCHAR(20) COLLATE NOCASE,
    NameL1          NVARCHAR(100) COLLATE NOCASE,
    NameL2          NVARCHAR(100) COLLATE NOCASE,
    NameL3          NVARCHAR(100) COLLATE NOCASE,
    Quota           INT
);
