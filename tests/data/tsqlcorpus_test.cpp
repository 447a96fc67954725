// The statements the programs send, with values filled in, against a small
// schema of the tables they touch: each must run, and where its answer
// matters the answer is checked.
#include <regex>

#include "sql/dbprocedures.h"
#include "sqlfixture.h"

namespace {

std::string Schema() {
    std::string s = R"(
CREATE TABLE tbl_Parameter (ParaID INTEGER PRIMARY KEY AUTOINCREMENT, RowStatus $C, Module $T, ParaName $T, ParaValue $T);
CREATE TABLE tbl_UserRight (RightID INTEGER PRIMARY KEY AUTOINCREMENT, RowStatus $C, Module $T, RightIndex INT, RightSubIndex INT, DescL1 $T, AllowNew INT);
CREATE TABLE tbl_User (UserID INTEGER PRIMARY KEY AUTOINCREMENT, RowModified DATETIME, RowStatus $C, LoginID $T, Password $T,
  NameL1 $T, NameL2 $T, NameL3 $T, PwdSecurity INT, SessionTimeout INT, Disabled INT, FailLoginCount INT, RetryCount INT,
  RetryInterval INT, EnableInterval INT, LastLoginTime DATETIME, FailLoginTime DATETIME, RoleID INT, PwdNextLogon INT,
  DiffNamePwd INT, PWUpdateDT DATETIME);
CREATE TABLE tbl_UserRole (RoleID INTEGER PRIMARY KEY AUTOINCREMENT, RowStatus $C, RoleCode $T, RoleLevel INT, NameL1 $T, NameL2 $T,
  NameL3 $T, FERightMask1 INT, BERightMask1 INT);
CREATE TABLE tbl_UserPassword (ID INTEGER PRIMARY KEY AUTOINCREMENT, RowModified DATETIME, RowStatus $C, UserID INT, Password $T);
CREATE TABLE tbl_Outlet (OutletID INTEGER PRIMARY KEY AUTOINCREMENT, RowStatus $C, OutletCode $T, NameL1 $T, ServiceID INT);
CREATE TABLE tbl_UserRoleByOutlet (ID INTEGER PRIMARY KEY AUTOINCREMENT, RowStatus $C, RoleID INT, OutletID INT);
CREATE TABLE tbl_UserByEmployee (ID INTEGER PRIMARY KEY AUTOINCREMENT, RowStatus $C, UserID INT);
CREATE TABLE tbl_DBServer (DBServerID INTEGER PRIMARY KEY AUTOINCREMENT, RowStatus $C, DBName $T);
CREATE TABLE tbl_Client (ClientID INTEGER PRIMARY KEY AUTOINCREMENT, RowStatus $C, ClientType $C, IPAddress $T, ClientCode $T, NameL1 $T);
CREATE TABLE tbl_ServiceServer (ServiceID INTEGER PRIMARY KEY AUTOINCREMENT, RowStatus $C);
CREATE TABLE tbl_ServicePOS (ID INTEGER PRIMARY KEY AUTOINCREMENT, RowStatus $C, ServiceID INT, POSID INT);
CREATE TABLE tbl_Template (TemplateID INTEGER PRIMARY KEY AUTOINCREMENT, RowModified DATETIME, RowStatus $C, TemplateCode $T,
  MasterTplID INT, Template NTEXT, Type $T);
CREATE TABLE tbl_TableStatus (TableStatusID INTEGER PRIMARY KEY AUTOINCREMENT, RowModified DATETIME, RowStatus $C, OutletID INT,
  TableNo $T, TableStatus $C, ReserveID INT, WaitReserveID INT, MergeStatus INT, WaitMergeStatus INT, LastCleanTime DATETIME,
  SubmitResvInfoToPOS INT, CheckCover INT);
CREATE TABLE tbl_TableTemp (TempID INTEGER PRIMARY KEY AUTOINCREMENT, RowStatus $C, OutletID INT, ClientID INT, TableNo $T);
CREATE TABLE tbl_TableBlock (TableBlockID INTEGER PRIMARY KEY AUTOINCREMENT, RowStatus $C, OutletID INT, MPOutletID INT, TableNo $T,
  BeginDate DATE, EndDate DATE, BlockUserID INT, Remark $T);
CREATE TABLE tbl_TableReserve (TableReserveID INTEGER PRIMARY KEY AUTOINCREMENT, RowModified DATETIME, RowStatus $C, ReserveID INT,
  TableNo $T, POSTableNo $T, CheckNo $T, CheckTotal MONEY, Capacity INT, IsShare INT, Occupied INT, Reserved INT, DBServerID INT,
  CheckOpenTime TIME, CheckPrintTime TIME, CheckCloseTime TIME, CheckCover INT);
CREATE TABLE tbl_Reservation (ReserveID INTEGER PRIMARY KEY AUTOINCREMENT, RowModified DATETIME, RowStatus $C, OutletID INT,
  MPOutletID INT, ReserveDate DATE, ReserveTime TIME, ReserveCover INT, ReserveType $C, ReserveMode $C, GuestID INT,
  ArrivalCover INT, ArrivalTime TIME, UpdateDT DATETIME, UpdateUserID INT, UpdateClientID INT, UpdateCountByUser INT,
  DYBookerAccountNo $T, DYLastName $T, CreateDT DATETIME, ReserveGUID $T, DBServerID INT, ReserveNo $T, CreateUserID INT);
CREATE TABLE tbl_Guest (GuestID INTEGER PRIMARY KEY AUTOINCREMENT, RowModified DATETIME, RowStatus $C, GuestNo $T, DYAccountNo $T,
  DYHolderNo $T, DYLastName $T, DYFirstName $T, RefNo1 $T, RefNo2 $T, RefNo3 $T, RefNo4 $T, DBServerID INT, UserID INT,
  Gender $C, DateOfBirthType INT, CreateDT DATETIME, UpdateDT DATETIME, UpdateUserID INT);
CREATE TABLE tbl_MPOutlet (MPOutletID INTEGER PRIMARY KEY AUTOINCREMENT, RowStatus $C, NameL1 $T, MPCode $T, MPStartTime TIME,
  MPEndTime1 TIME, MPStartTime2 TIME, MPEndTime TIME);
CREATE TABLE tbl_MPCapacity (MPCapacityID INTEGER PRIMARY KEY AUTOINCREMENT, RowStatus $C, MPOutletID INT, StartTime TIME,
  EndTime TIME, Capacity INT);
CREATE TABLE tbl_FPTable (ID INTEGER PRIMARY KEY AUTOINCREMENT, RowStatus $C, FPID INT, TableNo $T, TCapacity INT, ReserveMode $C);
CREATE TABLE tbl_ParaOption (OptID INTEGER PRIMARY KEY AUTOINCREMENT, RowStatus $C, OptModule $T, OptCode $T, OptSeq INT,
  OptSubCode $T, OptValue $T, NameL1 $T, NameL2 $T, NameL3 $T);
CREATE TABLE tbl_ProfileDefinition (ProfileID INTEGER PRIMARY KEY AUTOINCREMENT, RowStatus $C, ProfileCode $T, GuestModeOrder INT);
CREATE TABLE tbl_InstantMsg (InstantMsgID INTEGER PRIMARY KEY AUTOINCREMENT, RowModified DATETIME, RowStatus $C, DBServerID INT,
  ClientID INT, SendDT DATETIME, InstantMsg NTEXT);
CREATE TABLE tbl_ClientInstantMsg (ID INTEGER PRIMARY KEY AUTOINCREMENT, RowModified DATETIME, RowStatus $C, DBServerID INT,
  InstantMsgID INT, ClientID INT);
CREATE TABLE tbl_LogInOut (LogID INTEGER PRIMARY KEY AUTOINCREMENT, RowModified DATETIME, RowStatus $C, DBServerID INT, ClientID INT,
  UserID INT, ComputerName $T, IPAddress $T, LogDate $T, Logintime DATETIME, LogApplication $T, ConnectionCNT INT, LogType $T,
  Logouttime DATETIME, LogoutMethod $T);
CREATE TABLE tbl_UserLog_Profile (ID INTEGER PRIMARY KEY AUTOINCREMENT, RowModified DATETIME, RowStatus $C, DBServerID INT,
  UserID INT, GuestID INT, ClientID INT, FieldName $T, Action $T, LastValue $T, NewValue $T);
CREATE TABLE tbl_BatchMsgJob (BatchMsgJobID INTEGER PRIMARY KEY AUTOINCREMENT, RowModified DATETIME, RowStatus $C, UpdateUserID INT,
  TemplateID INT, ServerID INT);
CREATE TABLE tbl_BatchMsg (BatchMsgID INTEGER PRIMARY KEY AUTOINCREMENT, RowModified DATETIME, RowStatus $C, UpdateUserID INT,
  BatchMsgJobID INT, GuestID INT);
CREATE TABLE tbl_TemplateAttachment (ID INTEGER PRIMARY KEY AUTOINCREMENT, RowModified DATETIME, RowStatus $C, UpdateUserID INT,
  BatchMsgJobID INT, ReserveMsgID INT);
CREATE TABLE tbl_SMSServer (SMSServerID INTEGER PRIMARY KEY AUTOINCREMENT, SMSServerCode $T);
CREATE TABLE tbl_WebReserveTimeSetting (ID INTEGER PRIMARY KEY AUTOINCREMENT, RowModified DATETIME, RowStatus $C, OutletCode $T,
  ReserveDate DATE, MPOutletID INT, StartTime TIME, EndTime TIME, TableSize INT, MinPax INT, ReserveTimeStatus $C, SubmitStatus $T);
CREATE TABLE tbl_Message (MsgID INTEGER PRIMARY KEY AUTOINCREMENT, RowStatus $C, MsgType $T, MsgCat $T, MsgSubCat $T, MsgCode $T);
CREATE TABLE tbl_UpdateFile (ID INTEGER PRIMARY KEY AUTOINCREMENT, UpdateFile BLOB);

INSERT INTO tbl_Parameter (RowStatus, Module, ParaName, ParaValue) VALUES ('A', 'SYS', 'ChangePasswdInterval', '30');
INSERT INTO tbl_UserRole (RowStatus, RoleCode, RoleLevel) VALUES ('A', 'ADM', 255);
INSERT INTO tbl_User (RowModified, RowStatus, LoginID, Password, NameL1, RoleID, RetryCount, FailLoginCount, PWUpdateDT)
  VALUES ('2024-01-01 00:00:00', 'A', 'admin', 'ABC', 'Admin', 1, 3, 0, '2020-01-01 00:00:00');
INSERT INTO tbl_Outlet (RowStatus, OutletCode, NameL1, ServiceID) VALUES ('A', 'OUT1', 'Harbour', 1);
INSERT INTO tbl_UserRoleByOutlet (RowStatus, RoleID, OutletID) VALUES ('A', 1, 1);
INSERT INTO tbl_Client (RowStatus, ClientType, IPAddress, ClientCode, NameL1) VALUES ('A', 'W', 'WS1', 'C1', 'Front');
INSERT INTO tbl_ServiceServer (RowStatus) VALUES ('A');
INSERT INTO tbl_MPOutlet (RowStatus, NameL1, MPCode, MPStartTime, MPEndTime1, MPStartTime2, MPEndTime)
  VALUES ('A', 'Dinner', 'D', '18:00:00', '20:00:00', '20:00:00', '23:00:00');
INSERT INTO tbl_MPCapacity (RowStatus, MPOutletID, StartTime, EndTime, Capacity) VALUES ('A', 1, '18:00:00', '19:30:00', 40),
  ('A', 1, '19:30:00', '21:00:00', 30);
INSERT INTO tbl_Guest (RowStatus, GuestNo, DYAccountNo, DYHolderNo, DYLastName, RefNo1, RefNo2) VALUES ('A', 'G1', 'A001', '', 'Wong', 'r1', 'r2');
INSERT INTO tbl_Reservation (RowStatus, OutletID, MPOutletID, ReserveDate, ReserveTime, ReserveCover, ReserveType, ReserveMode, GuestID, CreateDT, ReserveGUID)
  VALUES ('A', 1, 1, '2024-03-01', '19:00:00', 2, 'N', 'T', 1, '2024-02-20 09:00:00', 'G-1'),
         ('A', 1, 1, '2024-03-01', '18:15:00', 1, 'N', 'T', 1, '2024-02-21 09:00:00', 'G-2'),
         ('C', 1, 1, '2024-03-01', '20:00:00', 3, 'N', 'T', NULL, '2024-02-22 09:00:00', 'G-3');
INSERT INTO tbl_TableReserve (RowStatus, ReserveID, TableNo, Capacity, Occupied) VALUES ('A', 1, 'T1', 4, 2), ('A', 2, 'T1', 4, 1), ('C', 3, 'T2', 2, 2);
INSERT INTO tbl_TableStatus (RowStatus, OutletID, TableNo, TableStatus, ReserveID, WaitReserveID) VALUES ('A', 1, 'T1', 'V', 0, 0), ('A', 1, 'T2', 'S', 1, 0);
INSERT INTO tbl_TableTemp (RowStatus, OutletID, ClientID, TableNo) VALUES ('A', 1, 1, 'T3');
INSERT INTO tbl_TableBlock (RowStatus, OutletID, MPOutletID, TableNo, BeginDate, EndDate) VALUES ('A', 1, 1, 'T1', '2024-02-01', NULL),
  ('A', 1, 1, 'T2', NULL, '2024-02-28'), ('A', 1, 1, 'T3', NULL, NULL);
INSERT INTO tbl_FPTable (RowStatus, FPID, TableNo, TCapacity, ReserveMode) VALUES ('A', 1, 'T1', 4, 'O'), ('A', 1, 'T2', 2, 'P'), ('A', 2, 'T1', 4, 'O');
INSERT INTO tbl_ParaOption (RowStatus, OptModule, OptCode, OptSeq, NameL1) VALUES ('A', 'TT', 'TT1Value', 1, 'Window'), ('A', 'TT', 'TT9Value', 1, 'No'),
  ('A', 'PDEF', 'DYLastName', 1, 'Last');
INSERT INTO tbl_ProfileDefinition (RowStatus, ProfileCode, GuestModeOrder) VALUES ('A', 'DYLastName', 1);
INSERT INTO tbl_Message (RowStatus, MsgType, MsgCat, MsgSubCat, MsgCode) VALUES ('A', 'CXL', 'MAN', 'N', 'C01');
INSERT INTO tbl_BatchMsgJob (RowStatus, TemplateID, ServerID) VALUES ('A', 1, 1);
INSERT INTO tbl_BatchMsg (RowStatus, BatchMsgJobID, GuestID) VALUES ('A', 1, 1);
INSERT INTO tbl_InstantMsg (RowStatus, ClientID, SendDT, InstantMsg) VALUES ('A', 2, '2024-03-01 00:00:00', 'hi');
INSERT INTO tbl_ClientInstantMsg (RowStatus, InstantMsgID, ClientID) VALUES ('A', 1, 1);
)";
    s = std::regex_replace(s, std::regex("\\$T"), "NVARCHAR(50) COLLATE NOCASE");
    return std::regex_replace(s, std::regex("\\$C"), "CHAR(1) COLLATE NOCASE");
}

const PgAnswers kOnPostgreSQL = {};

class TSqlCorpusTest : public SqlFixture {
  protected:
    void SetUp() override {
        SqlFixture::SetUp();
        if (IsSkipped()) return;  // no server: the base skipped, nothing to build on
        Exec(Schema());
        RegisterDBProcedure("sp_SV_GetTableStatus",
                            [](ProcedureContext& ctx, const std::vector<ProcedureArg>& args,
                               ProcedureResult& result, std::string&) {
                                result.ResultSets.push_back(
                                    ctx.Query("SELECT TableStatusID, TableStatus, CheckCover FROM "
                                              "tbl_TableStatus WHERE OutletID = ? AND TableNo = ?",
                                              {args.at(0).Value, args.at(2).Value}));
                                return result.ResultSets.back() != nullptr;
                            });
        RegisterDBProcedure(
            "sp_WebKIV_GetAllotmentByDate",
            [](ProcedureContext&, const std::vector<ProcedureArg>& args, ProcedureResult& result,
               std::string&) {
                result.ResultSets.push_back(std::make_shared<Recordset>(
                    FieldList({"Return", "Args"}),
                    std::vector<Recordset::Row>{
                        {Variant("P"), Variant(static_cast<long long>(args.size()))}}));
                return true;
            });
        RegisterDBTableFunction(
            "fn_GetFPByDate", DBTableFunction{{"FPID"},
                                              [](ProcedureContext&, const std::vector<Variant>&,
                                                 std::vector<Recordset::Row>& rows, std::string&) {
                                                  rows.push_back({Variant(1)});
                                                  return true;
                                              }});
    }

    // Runs and expects success; returns the printed results.
    std::string Ok(const std::string& batch) {
        std::string out = Run(batch);
        EXPECT_EQ(out.rfind("ERROR", 0), std::string::npos) << batch << "\n" << out;
        return out;
    }
};

struct Statement {
    const char* sql;
    const char* expect;  // a part of the printed result, or "" when only success counts
};

const Statement kReads[] = {
    {"Select UpdateFile From tbl_UpdateFile", "UpdateFile\n"},
    {"Select GuestID from tbl_Guest Where DYAccountNo = 'a001' and RowStatus='A'", "GuestID\n1\n"},
    {"Select * From tbl_UserRight Where RowStatus='A' Order by Module, RightIndex, RightSubIndex",
     ""},
    {"Select * from tbl_Parameter Where RowStatus='A' \r\nSelect convert(VarChar(19),  GetDate() , "
     "121) as ServerTime",
     "\n\nServerTime\n"},
    {"SELECT DB.* FROM tbl_DBServer AS DB WHERE   DB.RowStatus = N'A'", ""},
    {"SELECT * FROM tbl_Client  WHERE RowStatus =N'A' AND ClientType='W'  AND ( IPAddress = N'ws1' "
     "OR IPAddress = N'10.0.0.5' )",
     "\n1\tA\tW\tWS1"},
    {"Select U.RowModified, U.RowStatus, U.UserID, U.LoginID, U.Password, U.NameL1 as UserNameL1, "
     "U.NameL2 as UserNameL2, "
     "U.NameL3 as UserNameL3, U.PwdSecurity, U.SessionTimeout, U.Disabled, U.FailLoginCount, "
     "U.RetryCount, U.RetryInterval,"
     "U.EnableInterval,U.LastLoginTime,U.FailLoginTime, \r\nR.RoleID, R.RoleCode, R.RoleLevel, "
     "R.NameL1 as RoleNameL1, "
     "R.NameL2 as RoleNameL2, R.NameL3 as RoleNameL3,\r\nR.FERightMask1 ,\r\nR.BERightMask1 , "
     "\r\nU.PwdNextLogon , "
     "U.DiffNamePwd, GetDate() As CurrentTime  \r\nFrom tbl_User U\r\nLeft Outer "
     "Join\r\ntbl_UserRole R ON U.RoleID=R.RoleID "
     "AND R.RowStatus='A'\r\nWhere U.LoginID='ADMIN' AND U.RowStatus='A'",
     "\tADM\t255\t"},
    {"Select OutletID, OutletCode From tbl_Outlet O Where O.RowStatus='A' Order By O.OutletCode",
     "1\tOUT1\n"},
    {"Select O.OutletID, O.OutletCode From tbl_Outlet O, tbl_UserRoleByOutlet URO\r\n Where "
     "O.OutletID=URO.OutletID AND  "
     "URO.RoleID=1 AND O.RowStatus='A' AND URO.RowStatus='A' Order By O.NameL1",
     "1\tOUT1\n"},
    {"SELECT * FROM tbl_UserByEmployee WHERE RowStatus= N'A' AND UserID =1", ""},
    {"Select GetDate() As CurTime, U.Disabled,R.RoleLevel, "
     "U.RetryCount,U.RetryInterval,U.EnableInterval,"
     "IsNull(U.LastLoginTime,GetDate()) As 'LastLoginTime',IsNull(U.FailLoginTime,GetDate()) As "
     "'FailLoginTime', "
     "U.FailLoginCount  From tbl_User U Left join tbl_UserRole R on U.RoleID=R.RoleID  Where "
     "R.Rowstatus='A' and "
     "U.RowStatus='A' and U.UserID= 1",
     "CurTime\tDisabled\tRoleLevel\tRetryCount\tRetryInterval\tEnableInterval\tLastLoginTime\tFailL"
     "oginTime"},
    {"SELECT * FROM tbl_User WHERE LoginID=N'admin' AND Password=N'ABC' AND  RowStatus='A'",
     "\tadmin\tABC\t"},
    {"SELECT UserID FROM tbl_User WHERE UserID=1 AND Password=N'abc'", "UserID\n1\n"},
    {"SELECT * FROM tbl_ServiceServer WHERE RowStatus ='A' AND ServiceID IN (SELECT "
     "DISTINCT(ServiceID) FROM tbl_Outlet "
     "WHERE RowStatus = 'A')",
     "ServiceID\tRowStatus\n1\tA\n"},
    {"SELECT POSID FROM tbl_ServicePOS WHERE RowStatus='A' AND ServiceID = 1", "POSID\n"},
    {"SELECT * FROM tbl_Template WHERE RowStatus='A' AND TemplateCode='RECEIPT'", ""},
    {"SELECT * FROM tbl_TableBlock AS t LEFT OUTER JOIN  ( SELECT * FROM tbl_User  WHERE RowStatus "
     "= N'A') U  on "
     "t.blockuserid=u.userid WHERE TableBlockID=1",
     "\tT1\t2024-02-01\tNULL\t"},
    {"SELECT COUNT(*) AS RecCnt FROM tbl_TableBlock WHERE RowStatus=N'A' AND OutletID=  1 AND "
     "MPOutletID= 1 AND "
     "TableNo =N't1' AND ((BeginDate <=N'2024-03-01' AND EndDate>=N'2024-03-01') OR (BeginDate "
     "<=N'2024-03-01' AND "
     "EndDate IS NULL) OR (BeginDate IS NULL  AND EndDate >=N'2024-03-01'))",
     "RecCnt\n1\n"},
    {"select * from tbl_tableblock as t left outer join  (SELECT * FROM  tbl_user WHERE  "
     "RowStatus=N'A' ) u on  "
     "t.blockuserid=u.userid WHERE t.RowStatus=N'A' AND OutletID=  1 AND MPOutletID= 1 AND "
     "((BeginDate <=N'2024-03-01' "
     "AND EndDate>=N'2024-03-01') OR (BeginDate <=N'2024-03-01' AND EndDate IS NULL) OR (BeginDate "
     "IS NULL  AND EndDate "
     ">=N'2024-03-01'))",
     "\tT1\t"},
    {"SELECT TR.*,R.OutletID,R.MPOutletID,R.ReserveDate FROM tbl_TableReserve AS "
     "TR,tbl_Reservation AS R WHERE  "
     "TR.TableReserveID=1 AND TR.ReserveID = R.ReserveID ",
     "\t1\t1\t2024-03-01\n"},
    {"SELECT IM.* FROM tbl_InstantMsg AS IM,tbl_ClientInstantMsg AS CIM WHERE  IM.InstantMsgID=1 "
     "AND ( CIM.ClientID= 1 "
     "AND CIM.InstantMsgID=IM.InstantMsgID  AND CIM.RowStatus = N'A' OR IM.ClientID = 1) AND "
     "IM.RowStatus = N'A'",
     "\thi\n"},
    {" SELECT * FROM tbl_InstantMsg WHERE InstantMsgID IN ( SELECT DISTINCT IM.InstantMsgID FROM "
     "tbl_InstantMsg AS "
     "IM,tbl_ClientInstantMsg AS CIM WHERE  CIM.InstantMsgID=IM.InstantMsgID  AND ( CIM.ClientID= "
     "1 AND CIM.RowStatus = "
     "N'A' OR IM.ClientID = 1) AND IM.RowStatus = N'A' AND SendDT >= N'2024-03-01' ) ORDER BY "
     "SendDT DESC",
     "\thi\n"},
    {"Select R.*, TR.TableReserveID, TR.TableNo, TR.POSTableNo, TR.CheckNo, TR.CheckTotal from "
     "tbl_Reservation R \r\n"
     "Left Outer Join tbl_TableReserve TR ON R.ReserveID=TR.ReserveID AND TR.RowStatus IN "
     "('A','C') \r\nWhere "
     "R.ReserveID=3 AND R.RowStatus ='C'",
     "\t3\tT2\tNULL\tNULL\tNULL\n"},
    {"SELECT isnull(sum(ReserveCover),0) as BookedCount FROM tbl_Reservation AS R  WHERE "
     "R.ReserveMode='I' AND "
     "R.RowStatus = N'A' AND R.OutletID=1 AND R.MPOutletID = 1 AND R.ReserveDate = N'2024-03-01'",
     "BookedCount\n0\n"},
    {"select m.MPStartTime,m.MPEndTime1,m.MPStartTime2,m.MPEndTime,r.ReserveTime from tbl_MPOutlet "
     "m left join "
     "tbl_Reservation r on r.MPOutletID=m.MPOutletID Where r.ReserveID =1",
     "18:00:00\t20:00:00\t20:00:00\t23:00:00\t19:00:00\n"},
    {"SELECT TableStatusID,TableNo FROM tbl_TableStatus WHERE  OutletID = 1 AND TableNo IN "
     "(N'T1',N'T2') AND "
     "TableStatus != N'V'",
     "2\tT2\n"},
    {"SELECT COUNT(*) AS RecNo FROM tbl_TableStatus WHERE  OutletID = 1 AND TableNo IN (N't2') AND "
     "ReserveID != 0",
     "RecNo\n1\n"},
    {"SELECT * FROM tbl_FPTable WHERE RowStatus=N'A' AND FPID IN ( 1,2) ORDER BY TableNo ", ""},
    {"Select TableNo from tbl_FPTable where FPID IN (1,2) AND RowStatus='A' Group By TableNo "
     "having Count(TableNo) > 1 "
     "Order By TableNo",
     "TableNo\nT1\n"},
    {" SELECT TR.*,R.ReserveTime FROM tbl_Reservation AS R,tbl_TableReserve AS TR  WHERE "
     "TR.RowStatus= N'A' AND "
     "R.RowStatus=N'A' AND R.OutletID = 1 AND R.MPOutletID = 1 AND R.ReserveDate = N'2024-3-1' AND "
     "R.ReserveID=TR.ReserveID  AND TR.TableNo IN (N'T1',N'T2') ORDER BY TR.TableNo",
     "\t19:00:00\n"},
    {"SELECT DateDiff(s,N'2024-03-01 10:00',GetDate()) AS SvrDateDiff", "SvrDateDiff\n"},
    {"SELECT TCapacity,COUNT(TCapacity) AS TblCnt FROM tbl_FPTable   WHERE RowStatus= N'A' AND "
     "FPID IN (1) GROUP BY "
     "TCapacity  ORDER BY TCapacity ",
     "TCapacity\tTblCnt\n2\t1\n4\t1\n"},
    {"SELECT TCapacity,COUNT(TCapacity) AS TblCnt FROM tbl_FPTable   WHERE RowStatus= N'A' AND "
     "FPID IN (1) AND TableNo IN "
     "( SELECT TableNo FROM tbl_TableBlock WHERE RowStatus=N'A' AND OutletID=  1 AND MPOutletID= 1 "
     "AND ((BeginDate "
     "<=N'2024-03-01' AND EndDate>=N'2024-03-01') OR (BeginDate <=N'2024-03-01' AND EndDate IS "
     "NULL) OR (BeginDate IS "
     "NULL  AND EndDate >=N'2024-03-01'))) GROUP BY TCapacity  ORDER BY TCapacity ",
     "TCapacity\tTblCnt\n4\t1\n"},
    {"SELECT A.Capacity,COUNT(A.Capacity) AS ResvCnt,SUM(A.Occupied) AS Occupied FROM ( SELECT "
     "TR.Capacity,TR.TableNo,SUM(TR.Occupied) AS Occupied FROM tbl_Reservation AS R "
     ",tbl_TableReserve AS TR  WHERE "
     "(R.RowStatus = N'A' OR R.RowStatus = N'C') AND TR.RowStatus = N'A' AND R.ReserveDate = "
     "N'2024-03-01' AND "
     "R.ReserveID = TR.ReserveID  AND R.OutletID = 1 AND R.MPOutletID = 1 GROUP BY "
     "TR.TableNo,TR.Capacity ) A  GROUP BY "
     "A.Capacity  ORDER BY A.Capacity ",
     "Capacity\tResvCnt\tOccupied\n4\t1\t3\n"},
    {"SELECT  ReserveCover  ,Sum (CASE WHEN ReserveType= 'N' AND ReserveMode<>'W' AND "
     "(RowStatus='A' OR RowStatus='C')  "
     "THEN ReserveCover ELSE 0 END) AS NormalCover  ,Sum (CASE WHEN RowStatus = 'X'  THEN 1 ELSE 0 "
     "END) AS CxlCoverCnt  "
     "FROM tbl_Reservation  WHERE (RowStatus = 'A' OR RowStatus= 'C' OR RowStatus= 'X') AND "
     "ReserveDate = N'2024-03-01' "
     "AND OutletID = 1 AND MPOutletID = 1 GROUP BY ReserveCover  ORDER BY ReserveCover",
     "ReserveCover\tNormalCover\tCxlCoverCnt\n1\t1\t0\n2\t2\t0\n3\t3\t0\n"},
    {"Select Left(Convert(nvarchar(8),C.StartTime,108),5) as StartTime , "
     "Left(Convert(nvarchar(8),C.EndTime,108),5) as "
     "EndTime, C.Capacity,  Sum(R.ReserveCover) AS ReserveCover FROM tbl_MPOutlet As O inner join  "
     " tbl_MPCapacity As C "
     "ON C.MPOutletID = O.MPOutletID LEFT JOIN tbl_Reservation R ON R.MPOutletID = O.MPOutletID "
     "and R.ReserveTime "
     "BETWEEN C.StartTime AND C.EndTime AND R.ReserveDate = N'2024-03-01' AND R.OutletID = 1 AND "
     "R.MPOutletID = 1 "
     "Where O.RowStatus='A'  And C.RowStatus = 'A'  And R.RowStatus = 'A' GROUP BY O.NameL1, "
     "C.MPCapacityID, "
     "C.MPOutletID, C.StartTime, C.EndTime, C.Capacity ORDER BY C.MPCapacityID",
     "StartTime\tEndTime\tCapacity\tReserveCover\n18:00\t19:30\t40\t3\n"},
    {"SELECT GetDate() AS LastTime", "LastTime\n"},
    {"Select PD.*, PO.OptID, PO.OptSeq, PO.OptSubCode, PO.OptValue, PO.NameL1 as OptNameL1, "
     "PO.NameL2 as OptNameL2, "
     "PO.NameL3 as OptNameL3 \r\nFrom tbl_ProfileDefinition PD \r\nLeft OUTER Join tbl_ParaOption "
     "PO ON "
     "PD.ProfileCode=PO.OptCode AND PO.OptModule='PDEF' AND PO.RowStatus='A' \r\nWhere "
     "PD.RowStatus='A'  Order By "
     "PD.GuestModeOrder, PD.ProfileCode, PO.OptSeq",
     "\tLast\tNULL\tNULL\n"},
    {"Select * from tbl_Message Where RowStatus='A' AND MsgType='CXL' Order By MsgCat, MsgSubCat, "
     "MsgCode",
     "C01"},
    {"Select * from tbl_Message Where MsgType='CXL' AND MsgCat='MAN' \r\n AND RowStatus='A' Order "
     "By MsgCode, MsgCat, "
     "MsgSubCat",
     "C01"},
    {"Select convert(VarChar(19),  R.CreateDT, 121) As CreateDT, left(convert(VarChar(19),  "
     "R.ReserveDate, 121), 10) As "
     "ReserveDate, substring(convert(VarChar(19),  R.ReserveTime, 121), 12, 5) As ReserveTime, "
     "R.ReserveCover, Case When "
     "R.GuestID=99 Then R.DYLastName Else G.DYLastName END as DYLastName ,O.NameL1 AS "
     "SYS_OutletName, '' AS SYS_Nothing "
     "From tbl_Reservation R  Left Outer Join tbl_Guest G On G.GuestID=R.GuestID , tbl_Outlet O  "
     "WHERE R.RowStatus IN "
     "('A','X','C') AND O.OutletID = R.OutletID AND R.ReserveID = 1",
     "2024-02-20 09:00:00\t2024-03-01\t19:00\t2\tWong\tHarbour\t\n"},
    {"Select TR.*,R.ReserveTime,R.MPOutletID\r\nFrom tbl_Reservation R, tbl_TableReserve TR  Where "
     "R.RowStatus IN "
     "('A','X','C') AND TR.RowStatus IN ('A','X') AND R.ReserveID=TR.ReserveID  AND R.OutletID IN "
     "(1) Order By "
     "R.ReserveID, TR.TableReserveID, TR.TableNo",
     ""},
    {"Select MPO.MPCode,  R.* , convert(VarChar(19),  R.CreateDT, 121) As RCreateDT , "
     "convert(VarChar(19),  R.UpdateDT, "
     "121) As RUpdateDT, C.ClientCode + ' (' + C.NameL1 + ')' AS SYS_UpdateClient  From "
     "tbl_Reservation R  Left Outer "
     "Join tbl_MPOutlet MPO ON MPO.MPOutletID = R.MPOutletID Left Outer Join tbl_Client C ON "
     "C.ClientID = 1 AND "
     "C.RowStatus IN ('A','I') Where R.ReserveID=1 AND R.RowStatus <> 'D' ",
     "\tC1 (Front)\n"},
    {"SELECT * FROM tbl_FPTable WHERE FPID IN (SELECT FPID FROM dbo.fn_GetFPByDate "
     "('2024-03-01',1)) AND  TableNo IN "
     "(N'T1',N'T2') ORDER BY TableNo",
     "\tT1\t4\tO\n"},
    {"SELECT * FROM tbl_ParaOption WHERE RowStatus='A' AND OptCode LIKE 'TT[1-5]Value' ORDER BY "
     "OptCode,OptSeq",
     "TT1Value"},
    {"SELECT A.*,B.DYAccountNo as AccountNo,B.DYLastName as LastName, B.DYFirstName as FirstName  "
     "FROM tbl_BatchMsg as A "
     "Left Join tbl_Guest as B ON A.RowStatus='A' AND A.GuestID = B.GuestID  ORDER BY A.BatchMsgID "
     "DESC",
     "\tA001\tWong\tNULL\n"},
    {"SELECT A.*,B.TemplateCode,C.SMSServerCode FROM tbl_BatchMsgJob as A  LEFT JOIN tbl_Template "
     "B  ON A.TemplateID = "
     "B.TemplateID  LEFT JOIN tbl_SMSServer C  ON A.ServerID = C.SMSServerID  WHERE "
     "A.RowStatus='A'  AND "
     "A.BatchMsgJobID=1",
     ""},
    {"SELECT A.* FROM tbl_TemplateAttachment as A  Where A.BatchMsgJobID =1", ""},
    {"EXEC sp_SV_GetTableStatus 1,1,N'T2',N'2024-03-01'",
     "TableStatusID\tTableStatus\tCheckCover\n2\tS\tNULL\n"},
    {"Exec sp_WebKIV_GetAllotmentByDate 1, 1, '2024-03-01', 0, 0, 1, 5", "P\t7\n"},
    {"Exec sp_WebKIV_GetAllotmentByDate 1, 1, '2024-03-01', 0, 0, 1, Null, 0", "P\t8\n"},
    {"Select DATABASEPROPERTYEX('Culinaro', 'Collation') As Collation", "_CI_"},
};

TEST_P(TSqlCorpusTest, ReadsGiveTheExpectedRows) {
    for (const Statement& s : kReads) {
        std::string expected = Expected(kOnPostgreSQL, s.sql, s.expect);
        std::string out = expected.rfind("ERROR: ", 0) == 0 ? Run(s.sql) : Ok(s.sql);
        EXPECT_TRUE(expected.rfind("ERROR: ", 0) == 0 ? SameResult(out, expected)
                                                      : out.find(expected) != std::string::npos)
            << s.sql << "\n---\n"
            << out;
    }
}

const Statement kWrites[] = {
    {"Update tbl_User Set Disabled=1 Where UserID=1", "(1 row affected)"},
    {"Update tbl_User Set FailLoginCount=0,LastLoginTime=getdate() Where UserID=1",
     "(1 row affected)"},
    {"Update tbl_User Set FailLoginCount=3,LastLoginTime= GetDate() , FailLoginTime= GetDate() "
     "Where UserID=N'1'",
     "(1 row affected)"},
    {"Update tbl_User set PwdNextLogon = 0 WHERE LoginID=N'Admin' AND RowStatus='A'",
     "(1 row affected)"},
    {"UPDATE tbl_User SET RowModified=GETDATE(),PWUpdateDT=GETDATE(),Password=N'NEW' , "
     "PwdNextLogon =0 WHERE UserID=1 "
     "INSERT tbl_UserPassword (RowModified,RowStatus,UserID,Password) values( GETDATE() ,'A','1 "
     "',N'NEW')",
     "(1 row affected)\n\n(1 row affected)\n"},
    {"INSERT INTO tbl_LogInOut "
     "(DBServerID,ClientID,UserID,ComputerName,IPAddress,LogDate,Logintime,LogApplication,"
     "ConnectionCNT,LogType,RowStatus,RowModified) VALUES "
     "(1,1,1,N'WS1',N'10.0.0.5',N'2024-03-01',GetDate(),N'CT',1,"
     "N'I','A',GetDate()) SELECT @@IDENTITY AS ID",
     "ID\n1\n"},
    {"update tbl_LogInOut set Logouttime=GetDate(),LogoutMethod=N'N' where LogID=1",
     "(1 row affected)"},
    {"Update tbl_Reservation Set ArrivalCover = 4, RowModified=GetDate(), UpdateDT=GetDate(), "
     "UpdateUserID=1, "
     "UpdateClientID=1 Where ReserveID=1\r\nSelect @@RowCount AS RC",
     "RC\n1\n"},
    {"UPDATE tbl_TableReserve SET  POSTableNo = N'P1' ,TableNo = N'T1' WHERE TableReserveID = 1 "
     "SELECT @@RowCount AS RC",
     "RC\n1\n"},
    {"INSERT INTO tbl_InstantMsg "
     "([RowModified],[RowStatus],[DBServerID],[ClientID],[SendDT],[InstantMsg]) values "
     "(GetDate(),'A',1,1,GetDate(),N'hello') SELECT @@IDENTITY AS InstantMsgID ",
     "InstantMsgID\n2\n"},
    {"INSERT INTO tbl_ClientInstantMsg "
     "([RowModified],[RowStatus],[DBServerID],[InstantMsgID],[ClientID]) values "
     "(GetDate(),'A',1,2,2)",
     "(1 row affected)"},
    {"  Delete From tbl_WebReserveTimeSetting      Where OutletCode=N'OUT1'  And "
     "ReserveDate=N'2024-03-01' And "
     "MPOutletID=1  And ReserveTimeStatus='i'  And TableSize=4  Insert Into "
     "tbl_WebReserveTimeSetting  "
     "(RowModified,RowStatus,OutletCode,ReserveDate,MPOutletID,StartTime,EndTime,TableSize,MinPax,"
     "ReserveTimeStatus,"
     "SubmitStatus )VALUES ( Getdate() ,'A',N'OUT1',N'2024-03-01',1,N'18:00',N'18:30',4,2,'i' "
     ",NULL)",
     "(0 rows affected)\n\n(1 row affected)\n"},
    {" UPDATE tbl_Reservation SET ReserveCover=5, UpdateDT=GetDate() WHERE  ReserveID = 1 Select "
     "@@ROWCOUNT AS RC",
     "RC\n1\n"},
    {"UPDATE tbl_TableReserve Set RowStatus = N'D', RowModified = GetDate()  WHERE TableReserveID "
     "=  2",
     "(1 row affected)"},
    {"INSERT INTO tbl_TableReserve ( RowModified,RowStatus, Capacity,IsShare, Occupied,Reserved, "
     "POSTableNo,CheckNo,"
     "CheckOpenTime,CheckPrintTime,CheckCloseTime,CheckCover,CheckTotal , "
     "ReserveID,TableNo,DBServerID ) Values ( "
     "GetDate(),'A',4,0,2,1,N'P1',N'C1','18:05','19:10',NULL,2,120.5,1,N'T1',1) SELECT @@IDENTITY "
     "AS ID",
     "ID\n4\n"},
    {"UPDATE tbl_TableStatus SET ReserveID = 1 WHERE TableStatusID= 1 UPDATE tbl_TableStatus SET "
     "ReserveID = 0  WHERE "
     "TableStatusID= 2",
     "(1 row affected)\n\n(1 row affected)\n"},
    {"IF EXISTS (SELECT * FROM tbl_TableStatus WHERE  RowStatus = N'A' AND (ReserveID=2 OR "
     "ReserveID=0 OR ReserveID IS "
     "NULL) AND  TableStatusID=1) UPDATE tbl_TableStatus SET MergeStatus= 0 "
     ",ReserveID=2,RowModified=GetDate() "
     ",LastCleanTime=NULL, SubmitResvInfoToPOS = 1   WHERE TableStatusID=1 ELSE  UPDATE "
     "tbl_TableStatus SET "
     "WaitMergeStatus= 0 ,WaitReserveID=2,RowModified=GetDate() ,LastCleanTime=NULL, "
     "SubmitResvInfoToPOS = 1 WHERE "
     "TableStatusID=1",
     "(1 row affected)"},
    {"IF EXISTS (SELECT * FROM tbl_TableStatus WHERE  RowStatus = N'A' AND TableStatusID=1 AND "
     "ReserveID=1)\r\n UPDATE "
     "tbl_TableStatus  SET "
     "ReserveID=WaitReserveID,WaitReserveID=0,RowModified=GetDate(),SubmitResvInfoToPOS=0  WHERE "
     "TableStatusID=1\r\nIF EXISTS (SELECT * FROM tbl_TableStatus WHERE  RowStatus = N'A' AND "
     "TableStatusID=1 AND "
     "WaitReserveID=2)\r\n UPDATE tbl_TableStatus  SET "
     "WaitReserveID=0,RowModified=GetDate(),SubmitResvInfoToPOS=0  "
     "WHERE TableStatusID=1",
     "(1 row affected)"},
    {"UPDATE tbl_TableReserve SET  POSTableNo=NULL,RowStatus= N'A' WHERE TableReserveID = 1 SELECT "
     "@@ROWCOUNT AS RC",
     "RC\n1\n"},
    {"UPDATE tbl_TableTemp SET RowStatus= N'D' WHERE TempID= 1 SELECT @@ROWCOUNT AS RC", "RC\n1\n"},
    {"Insert Into tbl_Reservation "
     "(OutletID,MPOutletID,ReserveDate,ReserveTime,ReserveCover,RowStatus,DBServerID,"
     "ReserveNo,CreateUserID,UpdateUserID,ReserveGUID) Values "
     "(1,1,'2024-3-1','19:00',4,'A',1,N'R0001',1,1,N'{G}')\r\n"
     "Select @@Identity as ID",
     "ID\n4\n"},
    {"Update tbl_Reservation Set RowStatus = 'D' Where ReserveID = 4", "(1 row affected)"},
    {" Declare @AcctNo varchar(50) Select @AcctNo = GuestNo From tbl_Guest Where RowStatus = 'A' "
     "And GuestID = 1 Update "
     "tbl_Reservation Set DYBookerAccountNo = @AcctNo Where ReserveID = 1 SELECT DYBookerAccountNo "
     "FROM tbl_Reservation "
     "WHERE ReserveID = 1",
     "DYBookerAccountNo\nG1\n"},
    {"Update tbl_Reservation Set UpdateCountByUser=ISNULL(UpdateCountByUser,0)+1, ReserveCover=6, "
     "UpdateDT=GetDate(), "
     "DYLastName=N'O''Neil' Where ReserveID=1\r\nSelect @@ROWCOUNT AS RC",
     "RC\n1\n"},
    {"Update tbl_Guest Set DYLastName=N'Chan', UpdateDT=GetDate(), UpdateUserID=1 Where "
     "GuestID=1Select @@ROWCOUNT AS RC",
     "RC\n1\n"},
    {"INSERT tbl_UserLog_Profile "
     "(RowModified,RowStatus,DBServerID,UserID,GuestID,ClientID,FieldName,Action,LastValue,"
     "NewValue) values(GetDate(),'A',1,1,1,1,'DYLastName','Update',N'Wong',N'Chan')",
     "(1 row affected)"},
    {"update tbl_Reservation Set RowModified=GetDate(), UpdateDT=GetDate(), UpdateUserID=1, "
     "UpdateClientID=1, "
     "UpdateCountByUser=ISNULL(UpdateCountByUser,0)+1 , DYLastName = (SELECT DYLastName FROM "
     "tbl_Guest Where "
     "GuestID=1)Where ReserveID = 1Select @@RowCount as 'RowCount'",
     "RowCount\n1\n"},
    {"Update tbl_BatchMsgJob Set  RowStatus='D' ,RowModified=GetDate() ,UpdateUserID=1 Where "
     "RowStatus= 'A'  AND "
     "BatchMsgJobID =1",
     "(1 row affected)"},
    {"Update tbl_BatchMsg Set  RowStatus='D' ,RowModified=GetDate() ,UpdateUserID=1 Where "
     "RowStatus= 'A'  AND "
     "BatchMsgJobID =1",
     "(1 row affected)"},
    {"Update tbl_TemplateAttachment Set  RowStatus='D' ,RowModified=GetDate() ,UpdateUserID=1 "
     "Where RowStatus= 'A'  AND "
     "BatchMsgJobID =1",
     "(0 rows affected)"},
    {"Update tbl_TemplateAttachment Set RowStatus = 'D' Where ReserveMsgID In (1,2)",
     "(0 rows affected)"},
};

TEST_P(TSqlCorpusTest, WritesReportTheirCounts) {
    for (const Statement& s : kWrites) {
        std::string out = Ok(s.sql);
        EXPECT_NE(out.find(s.expect), std::string::npos) << s.sql << "\n---\n" << out;
    }
    EXPECT_EQ(Raw("SELECT UserID || '|' || Password FROM tbl_UserPassword"), "1|NEW");
    EXPECT_EQ(
        Raw("SELECT ReserveDate || ' ' || ReserveTime FROM tbl_Reservation WHERE ReserveID = 4"),
        "2024-03-01 19:00:00");
    EXPECT_EQ(Raw("SELECT CheckOpenTime FROM tbl_TableReserve WHERE TableReserveID = 4"),
              "18:05:00");
    EXPECT_EQ(
        Raw("SELECT UpdateCountByUser || DYLastName FROM tbl_Reservation WHERE ReserveID = 1"),
        "2Chan");
}

TEST_P(TSqlCorpusTest, PasswordExpiryBatch) {
    std::string batch =
        "DECLARE @UserID AS INT, @RoleID AS INT, @DayInterval as INT\r\nSELECT "
        "@UserID=UserID,@RoleID= RoleID FROM "
        "tbl_User WHERE LoginID=N'admin'\r\nSELECT @DayInterval = ParaValue From tbl_Parameter "
        "WHERE ParaName = "
        "'ChangePasswdInterval'\r\nIF @@ROWCOUNT > 0\r\nBEGIN\r\nSELECT @DayInterval as "
        "Period\r\nSELECT * From tbl_User "
        "WHERE UserID = @UserID AND RowStatus = 'A' AND (  datediff(day, PWUpdateDT, getdate()) > "
        "@DayInterval OR "
        "PWUpdateDT IS NULL) \r\nEnd\r\nElse\r\nSELECT 1 WHERE 1=0 ";
    std::string out = Ok(batch);
    EXPECT_EQ(out.rfind("(1 row affected)\n\n(1 row affected)\n\nPeriod\n30\n\nUserID\t", 0), 0u)
        << out;
    EXPECT_NE(out.find("\tadmin\t"), std::string::npos);  // expired: the row comes back
}

TEST_P(TSqlCorpusTest, CheckInReferenceNumbersArePadded) {
    auto rs = db_.RunSQLReturnRS(
        " SELECT R.ReserveGUID, R.ReserveID, R.GuestID,  Convert(char(40),IsNull(G.RefNo1,'') ) + "
        "Convert(char(40),IsNull(G.RefNo2,'') )  + Convert(char(40),IsNull(G.RefNo3,'') ) + "
        "Convert(char(40),IsNull(G.RefNo4,'') ) As RefNo FROM tbl_Reservation As R  Left Join "
        "tbl_Guest As G On "
        "G.GuestID = R.GuestID And G.RowStatus = 'A' And G.DYAccountNo <> '99999999'  WHERE "
        "R.ReserveID = 1");
    ASSERT_NE(rs, nullptr) << db_.ErrDescription();
    std::string ref = FieldStr(rs.get(), "RefNo");
    EXPECT_EQ(ref.size(), 160u);
    EXPECT_EQ(ref.substr(0, 2), "r1");
    EXPECT_EQ(ref.substr(40, 2), "r2");
}

TEST_P(TSqlCorpusTest, NewGuestAndSubTemplateBatches) {
    std::string guest =
        "IF (Select Count(*) As PrevCount From tbl_Guest Where DYAccountNo='A100' AND "
        "RowStatus='A') = 0 \r\nBegin\r\n"
        "   Insert Into tbl_Guest (DYAccountNo,DYLastName,DBServerID,RowStatus,GuestNo)        "
        "Values "
        "(N'A100',N'Lee',1,'A','0')\r\n   Select @@Identity AS RV\r\nEND\r\nELSE Select -101 AS RV";
    EXPECT_NE(Ok(guest).find("RV\n2\n"), std::string::npos);
    EXPECT_EQ(Ok(guest), "RV\n-101\n");
    std::string sub =
        " DECLARE @TemplateID INT  SELECT TOP 1 @TemplateID=TemplateID FROM tbl_Template WHERE "
        "RowStatus='A' AND "
        "MasterTplID = 1  IF @TemplateID > 0 BEGIN  UPDATE tbl_Template SET Template=N'second', "
        "RowModified=GetDate() "
        "WHERE TemplateID=@TemplateID  END ELSE BEGIN  INSERT INTO tbl_Template "
        "(RowStatus,TemplateCode,MasterTplID,"
        "Template,Type) VALUES ('A','SUBTPL',1,N'first','RESVINFO')  END ";
    Ok(sub);
    Ok(sub);
    EXPECT_EQ(Raw(Pg() ? "SELECT COUNT(*) || MAX(Template) FROM tbl_Template WHERE MasterTplID = 1"
                       : "SELECT COUNT(*) || Template FROM tbl_Template WHERE MasterTplID = 1"),
              "1second");
}

TEST_P(TSqlCorpusTest, GuestImportThroughTempdb) {
    if (Pg()) GTEST_SKIP() << "tempdb tables are temporary tables of the session on PostgreSQL";
    Ok("CREATE TABLE tempdb..tbl_Guest_x (DYAccountNo nvarchar(50) collate "
       "SQL_Latin1_General_CP1_CI_AS NULL, DYHolderNo "
       "nvarchar(50) NULL, DYLastName nvarchar(50) NULL)");
    Ok("INSERT INTO tempdb..tbl_Guest_x (DYAccountNo, DYHolderNo, DYLastName ) VALUES (N'a001', "
       "N'', N'Wong-2')");
    Ok("INSERT INTO tempdb..tbl_Guest_x (DYAccountNo, DYHolderNo, DYLastName ) VALUES (N'B200', "
       "N'', N'New')");
    Ok("SELECT * INTO tempdb..tbl_GuestFull_x FROM tbl_Guest WHERE 1=0");
    Ok("INSERT INTO tempdb..tbl_GuestFull_x (DYAccountNo, DYHolderNo, DYLastName) SELECT "
       "DYAccountNo, DYHolderNo, "
       "DYLastName FROM tempdb..tbl_Guest_x");
    Ok(" UPDATE tempdb..tbl_GuestFull_x SET  UserID = CASE WHEN USERID IS NULL THEN 1 ELSE  UserID "
       " END,  RowStatus = "
       "CASE WHEN RowStatus IS NULL THEN 'A' ELSE  RowStatus END,  DBServerID = CASE WHEN "
       "DBServerID IS NULL THEN 1 ELSE  "
       "DBServerID  END,  GuestNo = CASE WHEN GuestNo IS NULL THEN '0' ELSE  GuestNo  END,  Gender "
       "= "
       "CASE WHEN Gender IS "
       "NULL THEN 'N' ELSE  Gender  END,  DateOfBirthType = CASE WHEN DateOfBirthType IS NULL THEN "
       "7 ELSE  "
       "DateOfBirthType  END,  CreateDT = CASE WHEN CreateDT IS NULL THEN GetDate() ELSE  CreateDT "
       " END,  RowModified = "
       "CASE WHEN RowModified IS NULL THEN GetDate() ELSE  RowModified  END");
    std::string updated =
        Ok("UPDATE tbl_Guest SET RowModified =GetDate() ,DYLastName=t2.DYLastName FROM "
           "tempdb..tbl_GuestFULL_x T2 INNER "
           "JOIN tbl_Guest G ON ISNULL(G.DYAccountNo,'') collate database_default = "
           "ISNULL(T2.DYAccountNo,'') collate "
           "database_default  And ISNULL(G.DYHolderNo,'') collate database_default = "
           "ISNULL(T2.DYHolderNo,'') collate "
           "database_default And G.RowStatus = 'A' AND G.DYAccountNo <> '99999999' SELECT "
           "@@ROWCOUNT AS RC");
    EXPECT_NE(updated.find("RC\n1\n"), std::string::npos) << updated;
    std::string inserted =
        Ok("INSERT INTO tbl_Guest "
           "(DYAccountNo,DYHolderNo,DYLastName,rowmodified,rowstatus,dbserverid,guestno,gender,"
           "dateofbirthtype,createdt,userid) SELECT "
           "DYAccountNo,DYHolderNo,DYLastName,rowmodified,rowstatus,dbserverid,"
           "guestno,gender,dateofbirthtype,createdt,userid FROM tempdb..tbl_GuestFULL_x t2  WHERE "
           "NOT EXISTS(SELECT * FROM "
           "tbl_Guest G WHERE  ISNULL(G.DYAccountNo,'') collate database_default = "
           "ISNULL(T2.DYAccountNo,'') collate "
           "database_default And ISNULL(G.DYHolderNo,'') collate database_default = "
           "ISNULL(T2.DYHolderNo,'') collate "
           "database_default  And G.RowStatus = 'A') AND t2.DYAccountNo <> '99999999'");
    EXPECT_EQ(inserted, "(1 row affected)\n");
    EXPECT_EQ(Ok("UPDATE tbl_Guest SET RowModified = GetDate(), GuestNo = GuestID WHERE GuestNo <> "
                 "CAST(GuestID AS "
                 "VARCHAR(10)) AND  RowStatus = 'A'"),
              "(2 rows affected)\n");
    Ok(" DROP TABLE tempdb..tbl_GuestFULL_x");
    Ok(" DROP TABLE tempdb..tbl_Guest_x");
    EXPECT_EQ(Raw("SELECT group_concat(GuestNo || ':' || DYLastName, ',') FROM tbl_Guest"),
              "1:Wong-2,2:New");
}

CT_INSTANTIATE_FOR_ENGINES(TSqlCorpusTest);

}  // namespace
