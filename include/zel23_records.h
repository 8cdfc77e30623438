#ifndef ZEL23_RECORDS_H
#define ZEL23_RECORDS_H

// The record classes, the bus name registry, and ZELParse and ZELPrint, which
// read and write a whole raw case file.
//
// Every record class is a plain value: a default constructor, a line
// constructor, copy, assignment, one accessor pair per field named as the
// format names it, and operator<< for its printed form. Numbers are read as
// atoi and atof read them in the "C" locale: leading white space skipped,
// the longest numeric prefix taken, no error.
//
// Bad input ends the process: the first field that cannot be read writes one
// line "File: <source> line: <n> <message>" to standard error and exits with
// status -1. The recoverable interface in zel23_case.h reports instead.

#include "zel23_export.h"

#include <iosfwd>
#include <map>
#include <string>
#include <vector>

/// One line of the bus data section: a bus with its number, type code, load
/// and shunt values, area, voltage, name, base voltage and zone.
///
/// Built from its line with the field splitter: the line must hold exactly 12
/// fields. `NAME` keeps its apostrophes as read. The bus parser never consults
/// the bus name registry: a quoted name in `I` reads as 0.
class ZEL23_API ZELBus {
public:
  /// A record holding the default of every field.
  ZELBus();
  /// Parses one record line; ends the process with the fatal parse error
  /// when the line is malformed.
  explicit ZELBus(const std::string& line);
  ZELBus(const ZELBus& other);
  ZELBus& operator=(const ZELBus& other);
  ~ZELBus();

  int& I();
  const int& I() const;
  int& IDE();
  const int& IDE() const;
  double& PL();
  const double& PL() const;
  double& QL();
  const double& QL() const;
  double& GL();
  const double& GL() const;
  double& BL();
  const double& BL() const;
  int& AREA();
  const int& AREA() const;
  double& VM();
  const double& VM() const;
  double& VA();
  const double& VA() const;
  std::string& NAME();
  const std::string& NAME() const;
  double& BASKV();
  const double& BASKV() const;
  int& ZONE();
  const int& ZONE() const;

private:
  int I_ = -1;
  int IDE_ = 1;
  double PL_ = 0.0;
  double QL_ = 0.0;
  double GL_ = 0.0;
  double BL_ = 0.0;
  int AREA_ = 1;
  double VM_ = 1.0;
  double VA_ = 0.0;
  std::string NAME_ = "'--------'";
  double BASKV_ = 0.0;
  int ZONE_ = 1;
};

/// Writes the record in its printed form, without a line end. Sets a blank
/// fill, fixed notation with the point shown and precision 4; restores the
/// format flags but leaves the precision and the fill.
ZEL23_API std::ostream& operator<<(std::ostream& os, const ZELBus& record);

/// One line of the generator data section: a machine at a bus.
///
/// Built from its line with the field cursor (18 tokens, extra ones ignored).
/// `I` and `IREG` go through the bus name registry and must not be negative;
/// a bare `ID` is put between apostrophes (`1` becomes `'1 '`).
class ZEL23_API ZELGenerator {
public:
  /// A record holding the default of every field.
  ZELGenerator();
  /// Parses one record line; ends the process with the fatal parse error
  /// when the line is malformed.
  explicit ZELGenerator(const std::string& line);
  ZELGenerator(const ZELGenerator& other);
  ZELGenerator& operator=(const ZELGenerator& other);
  ~ZELGenerator();

  int& I();
  const int& I() const;
  std::string& ID();
  const std::string& ID() const;
  double& PG();
  const double& PG() const;
  double& QG();
  const double& QG() const;
  double& QT();
  const double& QT() const;
  double& QB();
  const double& QB() const;
  double& VS();
  const double& VS() const;
  int& IREG();
  const int& IREG() const;
  double& MBASE();
  const double& MBASE() const;
  double& ZR();
  const double& ZR() const;
  double& ZX();
  const double& ZX() const;
  double& RT();
  const double& RT() const;
  double& XT();
  const double& XT() const;
  double& GTAP();
  const double& GTAP() const;
  int& STAT();
  const int& STAT() const;
  double& RMPCT();
  const double& RMPCT() const;
  double& PT();
  const double& PT() const;
  double& PB();
  const double& PB() const;

private:
  int I_ = 1;
  std::string ID_ = "' 1'";
  double PG_ = 0.0;
  double QG_ = 0.0;
  double QT_ = 9999.0;
  double QB_ = -9999.0;
  double VS_ = 1.0;
  int IREG_ = 0;
  double MBASE_ = 100.0;
  double ZR_ = 0.0;
  double ZX_ = 1.0;
  double RT_ = 0.0;
  double XT_ = 0.0;
  double GTAP_ = 1.0;
  int STAT_ = 1;
  double RMPCT_ = 100.0;
  double PT_ = 9999.0;
  double PB_ = -9999.0;
};

/// Writes the record in its printed form, without a line end. Sets a blank
/// fill, fixed notation with the point shown and precision 4; restores the
/// format flags but leaves the precision and the fill.
ZEL23_API std::ostream& operator<<(std::ostream& os, const ZELGenerator& record);

/// A load line. Loads have no section in the raw case file: callers build,
/// print and store these records themselves.
///
/// Built from its line with the field cursor (11 tokens, extra ones ignored).
/// `I` goes through the bus name registry and must be 1 or more.
class ZEL23_API ZELLoad {
public:
  /// A record holding the default of every field.
  ZELLoad();
  /// Parses one record line; ends the process with the fatal parse error
  /// when the line is malformed.
  explicit ZELLoad(const std::string& line);
  ZELLoad(const ZELLoad& other);
  ZELLoad& operator=(const ZELLoad& other);
  ~ZELLoad();

  int& I();
  const int& I() const;
  std::string& ID();
  const std::string& ID() const;
  int& STATUS();
  const int& STATUS() const;
  int& AREA();
  const int& AREA() const;
  int& ZONE();
  const int& ZONE() const;
  double& PL();
  const double& PL() const;
  double& QL();
  const double& QL() const;
  double& IP();
  const double& IP() const;
  double& IQ();
  const double& IQ() const;
  double& YP();
  const double& YP() const;
  double& YQ();
  const double& YQ() const;

private:
  int I_ = -1;
  std::string ID_ = "' 1'";
  int STATUS_ = 1;
  int AREA_ = 1;
  int ZONE_ = 1;
  double PL_ = 0.0;
  double QL_ = 0.0;
  double IP_ = 0.0;
  double IQ_ = 0.0;
  double YP_ = 0.0;
  double YQ_ = 0.0;
};

/// Writes the record in its printed form, without a line end. Sets a blank
/// fill, fixed notation with the point shown and precision 4; restores the
/// format flags but leaves the precision and the fill.
ZEL23_API std::ostream& operator<<(std::ostream& os, const ZELLoad& record);

/// One line of the branch data section: a line or transformer between two
/// buses.
///
/// Built from its line with the field splitter: the line must hold exactly 16
/// fields. `RATEC` is read but never printed: its printed position stays empty
/// and reads back as 0.0.
class ZEL23_API ZELBranch {
public:
  /// A record holding the default of every field.
  ZELBranch();
  /// Parses one record line; ends the process with the fatal parse error
  /// when the line is malformed.
  explicit ZELBranch(const std::string& line);
  ZELBranch(const ZELBranch& other);
  ZELBranch& operator=(const ZELBranch& other);
  ~ZELBranch();

  int& I();
  const int& I() const;
  int& J();
  const int& J() const;
  std::string& CKT();
  const std::string& CKT() const;
  double& R();
  const double& R() const;
  double& X();
  const double& X() const;
  double& B();
  const double& B() const;
  double& RATEA();
  const double& RATEA() const;
  double& RATEB();
  const double& RATEB() const;
  double& RATEC();
  const double& RATEC() const;
  double& RATIO();
  const double& RATIO() const;
  double& ANGLE();
  const double& ANGLE() const;
  double& GI();
  const double& GI() const;
  double& BI();
  const double& BI() const;
  double& GJ();
  const double& GJ() const;
  double& BJ();
  const double& BJ() const;
  int& ST();
  const int& ST() const;

private:
  int I_ = -1;
  int J_ = -1;
  std::string CKT_ = "' 1'";
  double R_ = -1.0;
  double X_ = -1.0;
  double B_ = 0.0;
  double RATEA_ = 0.0;
  double RATEB_ = 0.0;
  double RATEC_ = 0.0;
  double RATIO_ = 0.0;
  double ANGLE_ = 0.0;
  double GI_ = 0.0;
  double BI_ = 0.0;
  double GJ_ = 0.0;
  double BJ_ = 0.0;
  int ST_ = 1;
};

/// Writes the record in its printed form, without a line end. Sets a blank
/// fill, fixed notation with the point shown and precision 4; restores the
/// format flags but leaves the precision and the fill.
ZEL23_API std::ostream& operator<<(std::ostream& os, const ZELBranch& record);

/// One line of the transformer adjustment data section.
///
/// Built from its line with the field cursor (10 tokens, extra ones ignored).
/// `I`, `J` and `ICONT` go through the bus name registry and must not be
/// negative; a bare `CKT` is put between apostrophes.
class ZEL23_API ZELTransformerAdjustment {
public:
  /// A record holding the default of every field.
  ZELTransformerAdjustment();
  /// Parses one record line; ends the process with the fatal parse error
  /// when the line is malformed.
  explicit ZELTransformerAdjustment(const std::string& line);
  ZELTransformerAdjustment(const ZELTransformerAdjustment& other);
  ZELTransformerAdjustment& operator=(const ZELTransformerAdjustment& other);
  ~ZELTransformerAdjustment();

  int& I();
  const int& I() const;
  int& J();
  const int& J() const;
  std::string& CKT();
  const std::string& CKT() const;
  int& ICONT();
  const int& ICONT() const;
  double& RMA();
  const double& RMA() const;
  double& RMI();
  const double& RMI() const;
  double& VMA();
  const double& VMA() const;
  double& VMI();
  const double& VMI() const;
  double& STEP();
  const double& STEP() const;
  int& TABLE();
  const int& TABLE() const;

private:
  int I_ = -1;
  int J_ = -1;
  std::string CKT_ = "' 1'";
  int ICONT_ = -1;
  double RMA_ = 1.5;
  double RMI_ = 0.51;
  double VMA_ = 1.5;
  double VMI_ = 0.51;
  double STEP_ = 0.00625;
  int TABLE_ = 0;
};

/// Writes the record in its printed form, without a line end. Sets a blank
/// fill, fixed notation with the point shown and precision 4; restores the
/// format flags but leaves the precision and the fill.
ZEL23_API std::ostream& operator<<(std::ostream& os,
                                   const ZELTransformerAdjustment& record);

/// One line of the area interchange data section.
///
/// Built from its line with the field splitter: the line must hold exactly 5
/// fields. `ARNAME` keeps its apostrophes as read.
class ZEL23_API ZELAreaInterchange {
public:
  /// A record holding the default of every field.
  ZELAreaInterchange();
  /// Parses one record line; ends the process with the fatal parse error
  /// when the line is malformed.
  explicit ZELAreaInterchange(const std::string& line);
  ZELAreaInterchange(const ZELAreaInterchange& other);
  ZELAreaInterchange& operator=(const ZELAreaInterchange& other);
  ~ZELAreaInterchange();

  int& I();
  const int& I() const;
  int& ISW();
  const int& ISW() const;
  double& PDES();
  const double& PDES() const;
  double& PTOL();
  const double& PTOL() const;
  std::string& ARNAME();
  const std::string& ARNAME() const;

private:
  int I_ = -1;
  int ISW_ = 0;
  double PDES_ = 0.0;
  double PTOL_ = 10.0;
  std::string ARNAME_ = "'        '";
};

/// Writes the record in its printed form, without a line end. Sets a blank
/// fill, fixed notation with the point shown and precision 4; restores the
/// format flags but leaves the precision and the fill.
ZEL23_API std::ostream& operator<<(std::ostream& os, const ZELAreaInterchange& record);

/// One line of the switched shunt data section: a shunt switched in one to
/// eight blocks of equal steps.
///
/// Built from its line with the field cursor: six fixed fields (`VDES` is not
/// on the line), then 2 to 16 block values that alternate N and B. `I` goes
/// through the bus name registry and must not be negative; `SWREM` goes
/// through it too but is not tested. Printed without a `VDES` column, so that
/// a printed line reads back into the same record.
class ZEL23_API ZELSwitchedShunt {
public:
  /// A record holding the default of every field.
  ZELSwitchedShunt();
  /// Parses one record line; ends the process with the fatal parse error
  /// when the line is malformed.
  explicit ZELSwitchedShunt(const std::string& line);
  ZELSwitchedShunt(const ZELSwitchedShunt& other);
  ZELSwitchedShunt& operator=(const ZELSwitchedShunt& other);
  ~ZELSwitchedShunt();

  int& I();
  const int& I() const;
  int& MODSW();
  const int& MODSW() const;
  double& VSWHI();
  const double& VSWHI() const;
  double& VSWLO();
  const double& VSWLO() const;
  int& SWREM();
  const int& SWREM() const;
  double& VDES();
  const double& VDES() const;
  double& BINIT();
  const double& BINIT() const;
  int& noBlocks();
  const int& noBlocks() const;

  /// Block k (0 to 7, not tested): its number of steps and the admittance
  /// of one step. Blocks 0 to noBlocks() - 1 are in use.
  int& N(int k);
  const int& N(int k) const;
  double& B(int k);
  const double& B(int k) const;

private:
  int I_ = -1;
  int MODSW_ = 1;
  double VSWHI_ = 1.0;
  double VSWLO_ = 1.0;
  int SWREM_ = 0;
  double VDES_ = 1.0;
  double BINIT_ = 0.0;
  int noBlocks_ = 0;
  int N_[8] = {};
  double B_[8] = {};
};

/// Writes the record in its printed form, without a line end. Sets a blank
/// fill, fixed notation with the point shown and precision 4; restores the
/// format flags but leaves the precision and the fill.
ZEL23_API std::ostream& operator<<(std::ostream& os, const ZELSwitchedShunt& record);

/// A two-terminal DC line: three lines in the file, the DC line itself, the
/// rectifier end and the inverter end.
///
/// Built from its three lines with one field cursor each. `IPR` goes through
/// the bus name registry and must not be negative; `IPI` is a plain number.
/// Printed as three lines: the first two end with `std::endl`, the third has
/// no line end.
class ZEL23_API ZELTwoTerminalDC {
public:
  /// A record holding the default of every field.
  ZELTwoTerminalDC();
  /// Parses the DC line, rectifier line and inverter line; ends the process
  /// with the fatal parse error when a field is missing or `IPR` < 0.
  ZELTwoTerminalDC(const std::string& line1, const std::string& line2,
                   const std::string& line3);
  ZELTwoTerminalDC(const ZELTwoTerminalDC& other);
  ZELTwoTerminalDC& operator=(const ZELTwoTerminalDC& other);
  ~ZELTwoTerminalDC();

  int& I();
  const int& I() const;
  int& MDC();
  const int& MDC() const;
  double& RDC();
  const double& RDC() const;
  double& SETVL();
  const double& SETVL() const;
  double& VSCHD();
  const double& VSCHD() const;
  double& VCMOD();
  const double& VCMOD() const;
  double& RCOMP();
  const double& RCOMP() const;
  double& DELTI();
  const double& DELTI() const;
  std::string& METER();
  const std::string& METER() const;
  int& IPR();
  const int& IPR() const;
  int& NBR();
  const int& NBR() const;
  double& ALFMX();
  const double& ALFMX() const;
  double& ALFMN();
  const double& ALFMN() const;
  double& RCR();
  const double& RCR() const;
  double& XCR();
  const double& XCR() const;
  double& EBASR();
  const double& EBASR() const;
  double& TRR();
  const double& TRR() const;
  double& TAPR();
  const double& TAPR() const;
  double& TPMXR();
  const double& TPMXR() const;
  double& TPMNR();
  const double& TPMNR() const;
  double& TSTPR();
  const double& TSTPR() const;
  int& IPI();
  const int& IPI() const;
  int& NBI();
  const int& NBI() const;
  double& GAMMX();
  const double& GAMMX() const;
  double& GAMMN();
  const double& GAMMN() const;
  double& RCI();
  const double& RCI() const;
  double& XCI();
  const double& XCI() const;
  double& EBASI();
  const double& EBASI() const;
  double& TRI();
  const double& TRI() const;
  double& TAPI();
  const double& TAPI() const;
  double& TPMXI();
  const double& TPMXI() const;
  double& TPMNI();
  const double& TPMNI() const;
  double& TSTPI();
  const double& TSTPI() const;

private:
  int I_ = -1;
  int MDC_ = 0;
  double RDC_ = -1.0;
  double SETVL_ = -1.0;
  double VSCHD_ = -1.0;
  double VCMOD_ = 0.0;
  double RCOMP_ = 0.0;
  double DELTI_ = 0.0;
  std::string METER_ = "'I'";
  int IPR_ = -1;
  int NBR_ = -1;
  double ALFMX_ = -1.0;
  double ALFMN_ = -1.0;
  double RCR_ = -1.0;
  double XCR_ = -1.0;
  double EBASR_ = -1.0;
  double TRR_ = 1.0;
  double TAPR_ = 1.0;
  double TPMXR_ = 1.5;
  double TPMNR_ = 0.51;
  double TSTPR_ = 0.00625;
  int IPI_ = -1;
  int NBI_ = -1;
  double GAMMX_ = -1.0;
  double GAMMN_ = -1.0;
  double RCI_ = -1.0;
  double XCI_ = -1.0;
  double EBASI_ = -1.0;
  double TRI_ = 1.0;
  double TAPI_ = 1.0;
  double TPMXI_ = 1.5;
  double TPMNI_ = 0.51;
  double TSTPI_ = 0.00625;
};

/// Writes the record in its printed form, without a line end. Sets a blank
/// fill, fixed notation with the point shown and precision 4; restores the
/// format flags but leaves the precision and the fill.
ZEL23_API std::ostream& operator<<(std::ostream& os, const ZELTwoTerminalDC& record);

/// Bus name registry: quoted bus names (apostrophes included, as in the
/// file) to bus numbers. The record parsers that accept a bus by name look
/// it up here; the library never adds entries, and ZELParse clears both maps
/// before it reads. Not guarded: no concurrent use.
extern ZEL23_API std::map<std::string, int> BName2BNum;
/// Bus numbers to names. The library only clears it.
extern ZEL23_API std::map<int, std::string> BNum2BName;

/// Reads a whole raw case file from `in`, appending the records of each
/// section to its list (lists are never cleared), the three header lines and
/// every terminator line to `comments`, and setting `systemBase` from the
/// second token of header line 1 (atoi, so always integral). Clears both
/// registry maps first. Lines are cut at 1023 characters; a last line without
/// a line feed is not processed. A record line that cannot be parsed ends the
/// process; a header line 1 with fewer than two tokens throws
/// std::out_of_range. Returns true whenever it returns.
ZEL23_API bool ZELParse(std::istream& in, std::vector<ZELBus>& buses,
                        std::vector<ZELGenerator>& generators,
                        std::vector<ZELBranch>& branches,
                        std::vector<ZELTransformerAdjustment>& adjustments,
                        std::vector<ZELAreaInterchange>& areas,
                        std::vector<ZELTwoTerminalDC>& dcLines,
                        std::vector<ZELSwitchedShunt>& shunts,
                        std::vector<std::string>& comments, double& systemBase);

/// Writes a whole raw case file: header lines and terminator lines from
/// `comments` by position (0-2 header, 3-9 one terminator per section), every
/// record in its printed form, each line ended with std::endl. A missing
/// header line is written empty and a missing terminator line as "0".
/// `systemBase` is not used. Returns true whenever it returns.
ZEL23_API bool ZELPrint(std::ostream& out, std::vector<ZELBus>& buses,
                        std::vector<ZELGenerator>& generators,
                        std::vector<ZELBranch>& branches,
                        std::vector<ZELTransformerAdjustment>& adjustments,
                        std::vector<ZELAreaInterchange>& areas,
                        std::vector<ZELTwoTerminalDC>& dcLines,
                        std::vector<ZELSwitchedShunt>& shunts,
                        std::vector<std::string>& comments, double& systemBase);

#endif
