#include "movie/ScriptCompiler.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "swf/ActionsSimple.h"

namespace reelcast {

namespace {

// ------------------------------------------------------------------ lexer

enum class TTok { End, Name, Number, String, Punct };

struct TToken {
  TTok Kind = TTok::End;
  std::string Text;
  double Number = 0;
  int Line = 1;
};

[[noreturn]] void Fail(int line, const std::string& what) {
  throw EScriptError("script line " + std::to_string(line) + ": " + what);
}

std::vector<TToken> Tokenize(std::string_view s) {
  static const char* const kPuncts[] = {"===", "!==", "==", "!=", "<=", ">=", "&&", "||", "+=",
                                        "-=",  "{",   "}",  "(",  ")",  "[",  "]",  ";",  ",",
                                        ".",   "=",   "<",  ">",  "+",  "-",  "*",  "/",  "%",
                                        "!",   "?",   ":"};
  std::vector<TToken> out;
  int line = 1;
  size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    if (c == '\n') {
      ++line;
      ++i;
    } else if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '/') {
      while (i < s.size() && s[i] != '\n') ++i;
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      size_t end = s.find("*/", i + 2);
      if (end == std::string_view::npos) Fail(line, "unterminated comment");
      for (size_t k = i; k < end; ++k) line += s[k] == '\n';
      i = end + 2;
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '$') {
      size_t start = i;
      while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_' || s[i] == '$')) ++i;
      out.push_back({TTok::Name, std::string(s.substr(start, i - start)), 0, line});
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      size_t start = i;
      const bool hex = c == '0' && i + 1 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X');
      if (hex) i += 2;
      while (i < s.size() && (hex ? std::isxdigit(static_cast<unsigned char>(s[i]))
                                  : std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.'))
        ++i;
      std::string text(s.substr(start, i - start));
      char* end = nullptr;
      double v = hex ? static_cast<double>(std::strtoull(text.c_str() + 2, &end, 16))
                     : std::strtod(text.c_str(), &end);
      if (hex && text.size() == 2) Fail(line, "bad number '" + text + "'");
      if (*end) Fail(line, "bad number '" + text + "'");
      out.push_back({TTok::Number, text, v, line});
    } else if (c == '"' || c == '\'') {
      std::string text;
      ++i;
      while (true) {
        if (i >= s.size() || s[i] == '\n') Fail(line, "unterminated string");
        char ch = s[i++];
        if (ch == c) break;
        if (ch == '\\') {
          if (i >= s.size()) Fail(line, "unterminated string");
          char e = s[i++];
          ch = e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
        }
        text += ch;
      }
      out.push_back({TTok::String, text, 0, line});
    } else {
      bool found = false;
      for (const char* p : kPuncts) {
        std::string_view punct(p);
        if (s.substr(i, punct.size()) == punct) {
          out.push_back({TTok::Punct, std::string(punct), 0, line});
          i += punct.size();
          found = true;
          break;
        }
      }
      if (!found) Fail(line, std::string("unexpected character '") + c + "'");
    }
  }
  out.push_back({TTok::End, "", 0, line});
  return out;
}

// ------------------------------------------------------------------ syntax tree

struct TNode;
using TNodePtr = std::unique_ptr<TNode>;

enum class TKind {
  // expressions
  Number, String, Bool, Null, Undefined, Name, Member, Index, Call, New, Function, Unary,
  Binary, And, Or, Conditional, Object, Array,
  // statements
  Var, FunctionDecl, Assign, ExprStmt, If, While, For, Break, Return, Block
};

struct TNode {
  TKind Kind;
  int Line = 0;
  std::string Text;  // name, operator, string value, member name
  double Number = 0;
  bool Flag = false;
  std::vector<TNodePtr> Kids;          // operands, arguments, statements
  std::vector<std::string> Names;      // parameters, object keys
  TNodePtr A, B, C, D;                 // operands, condition, branches
};

TNodePtr Make(TKind kind, int line) {
  auto n = std::make_unique<TNode>();
  n->Kind = kind;
  n->Line = line;
  return n;
}

class TParser {
 public:
  explicit TParser(std::vector<TToken> tokens) : t_(std::move(tokens)) {}

  std::vector<TNodePtr> Program() {
    std::vector<TNodePtr> out;
    while (Peek().Kind != TTok::End) out.push_back(Statement());
    return out;
  }

 private:
  const TToken& Peek(size_t ahead = 0) const { return t_[std::min(p_ + ahead, t_.size() - 1)]; }
  bool IsPunct(const char* text) const { return Peek().Kind == TTok::Punct && Peek().Text == text; }
  bool IsWord(const char* text) const { return Peek().Kind == TTok::Name && Peek().Text == text; }
  const TToken& Next() {
    const TToken& tok = t_[p_];
    if (p_ + 1 < t_.size()) ++p_;
    return tok;
  }
  bool Accept(const char* punct) {
    if (!IsPunct(punct)) return false;
    Next();
    return true;
  }
  void Expect(const char* punct) {
    if (!Accept(punct))
      Fail(Peek().Line, std::string("expected '") + punct + "' before '" + Peek().Text + "'");
  }
  std::string ExpectName() {
    if (Peek().Kind != TTok::Name) Fail(Peek().Line, "expected a name before '" + Peek().Text + "'");
    return Next().Text;
  }

  TNodePtr Block() {
    auto b = Make(TKind::Block, Peek().Line);
    Expect("{");
    while (!IsPunct("}")) {
      if (Peek().Kind == TTok::End) Fail(Peek().Line, "missing '}'");
      b->Kids.push_back(Statement());
    }
    Expect("}");
    return b;
  }

  std::vector<std::string> Params() {
    std::vector<std::string> names;
    Expect("(");
    if (!IsPunct(")")) {
      do names.push_back(ExpectName());
      while (Accept(","));
    }
    Expect(")");
    return names;
  }

  // A function's block: "return" is allowed in it, an outer loop's "break" not.
  TNodePtr FunctionBody() {
    const int loops = loops_;
    loops_ = 0;
    ++functions_;
    TNodePtr body = Block();
    --functions_;
    loops_ = loops;
    return body;
  }

  TNodePtr LoopBody() {
    ++loops_;
    TNodePtr body = Statement();
    --loops_;
    return body;
  }

  TNodePtr Statement() {
    const int line = Peek().Line;
    if (IsPunct("{")) return Block();
    if (IsWord("var")) {
      Next();
      auto n = Make(TKind::Var, line);
      n->Text = ExpectName();
      if (Accept("=")) n->A = Expression();
      Expect(";");
      return n;
    }
    if (IsWord("function") && Peek(1).Kind == TTok::Name) {
      Next();
      auto n = Make(TKind::FunctionDecl, line);
      n->Text = ExpectName();
      n->Names = Params();
      n->A = FunctionBody();
      return n;
    }
    if (IsWord("if")) {
      Next();
      auto n = Make(TKind::If, line);
      Expect("(");
      n->A = Expression();
      Expect(")");
      n->B = Statement();
      if (IsWord("else")) {
        Next();
        n->C = Statement();
      }
      return n;
    }
    if (IsWord("while")) {
      Next();
      auto n = Make(TKind::While, line);
      Expect("(");
      n->A = Expression();
      Expect(")");
      n->B = LoopBody();
      return n;
    }
    if (IsWord("for")) {
      Next();
      auto n = Make(TKind::For, line);
      Expect("(");
      if (!IsPunct(";")) n->C = SimpleStatement(false);
      Expect(";");
      n->A = IsPunct(";") ? nullptr : Expression();
      Expect(";");
      if (!IsPunct(")")) n->D = SimpleStatement(false);
      Expect(")");
      n->B = LoopBody();
      return n;
    }
    if (IsWord("break")) {
      Next();
      if (loops_ == 0) Fail(line, "'break' outside a loop");
      Expect(";");
      return Make(TKind::Break, line);
    }
    if (IsWord("return")) {
      Next();
      if (functions_ == 0) Fail(line, "'return' outside a function");
      auto n = Make(TKind::Return, line);
      if (!IsPunct(";")) n->A = Expression();
      Expect(";");
      return n;
    }
    TNodePtr n = SimpleStatement(true);
    Expect(";");
    return n;
  }

  // An assignment, a "var" (in a for header) or an expression statement.
  TNodePtr SimpleStatement(bool) {
    const int line = Peek().Line;
    if (IsWord("var")) {
      Next();
      auto n = Make(TKind::Var, line);
      n->Text = ExpectName();
      if (Accept("=")) n->A = Expression();
      return n;
    }
    TNodePtr target = Expression();
    for (const char* op : {"=", "+=", "-="}) {
      if (!IsPunct(op)) continue;
      Next();
      if (target->Kind != TKind::Name && target->Kind != TKind::Member && target->Kind != TKind::Index)
        Fail(line, "cannot assign to this expression");
      auto n = Make(TKind::Assign, line);
      n->Text = op;
      n->A = std::move(target);
      n->B = Expression();
      if (IsPunct("=")) Fail(line, "chained assignments are not supported");
      return n;
    }
    auto n = Make(TKind::ExprStmt, line);
    n->A = std::move(target);
    return n;
  }

  TNodePtr Expression() { return Conditional(); }

  TNodePtr Conditional() {
    TNodePtr c = Or();
    if (!IsPunct("?")) return c;
    auto n = Make(TKind::Conditional, Next().Line);
    n->A = std::move(c);
    n->B = Expression();
    Expect(":");
    n->C = Expression();
    return n;
  }

  TNodePtr Or() {
    TNodePtr a = And();
    while (IsPunct("||")) {
      auto n = Make(TKind::Or, Next().Line);
      n->A = std::move(a);
      n->B = And();
      a = std::move(n);
    }
    return a;
  }

  TNodePtr And() {
    TNodePtr a = Binary(0);
    while (IsPunct("&&")) {
      auto n = Make(TKind::And, Next().Line);
      n->A = std::move(a);
      n->B = Binary(0);
      a = std::move(n);
    }
    return a;
  }

  // Binary operators by precedence level: equality, relation, sum, product.
  TNodePtr Binary(int level) {
    static const std::vector<std::vector<std::string>> kLevels = {
        {"==", "!=", "===", "!=="}, {"<", ">", "<=", ">="}, {"+", "-"}, {"*", "/", "%"}};
    if (level == static_cast<int>(kLevels.size())) return Unary();
    TNodePtr a = Binary(level + 1);
    while (Peek().Kind == TTok::Punct) {
      const std::string op = Peek().Text;
      bool match = false;
      for (const std::string& o : kLevels[level]) match = match || o == op;
      if (!match) break;
      auto n = Make(TKind::Binary, Next().Line);
      n->Text = op;
      n->A = std::move(a);
      n->B = Binary(level + 1);
      a = std::move(n);
    }
    return a;
  }

  TNodePtr Unary() {
    if (IsPunct("!") || IsPunct("-") || IsWord("typeof")) {
      auto n = Make(TKind::Unary, Peek().Line);
      n->Text = Next().Text;
      n->A = Unary();
      return n;
    }
    return Postfix();
  }

  std::vector<TNodePtr> Arguments() {
    std::vector<TNodePtr> args;
    Expect("(");
    if (!IsPunct(")")) {
      do args.push_back(Expression());
      while (Accept(","));
    }
    Expect(")");
    return args;
  }

  TNodePtr Postfix() {
    TNodePtr e = Primary();
    while (true) {
      const int line = Peek().Line;
      if (Accept(".")) {
        auto n = Make(TKind::Member, line);
        n->A = std::move(e);
        n->Text = ExpectName();
        e = std::move(n);
      } else if (Accept("[")) {
        auto n = Make(TKind::Index, line);
        n->A = std::move(e);
        n->B = Expression();
        Expect("]");
        e = std::move(n);
      } else if (IsPunct("(")) {
        auto n = Make(TKind::Call, line);
        n->A = std::move(e);
        n->Kids = Arguments();
        e = std::move(n);
      } else {
        return e;
      }
    }
  }

  TNodePtr Primary() {
    const TToken& tok = Next();
    const int line = tok.Line;
    switch (tok.Kind) {
      case TTok::Number: {
        auto n = Make(TKind::Number, line);
        n->Number = tok.Number;
        return n;
      }
      case TTok::String: {
        auto n = Make(TKind::String, line);
        n->Text = tok.Text;
        return n;
      }
      case TTok::Name: {
        if (tok.Text == "true" || tok.Text == "false") {
          auto n = Make(TKind::Bool, line);
          n->Flag = tok.Text == "true";
          return n;
        }
        if (tok.Text == "null") return Make(TKind::Null, line);
        if (tok.Text == "undefined") return Make(TKind::Undefined, line);
        if (tok.Text == "function") {
          auto n = Make(TKind::Function, line);
          n->Names = Params();
          n->A = FunctionBody();
          return n;
        }
        if (tok.Text == "new") {
          auto n = Make(TKind::New, line);
          auto ctor = Make(TKind::Name, line);
          ctor->Text = ExpectName();
          TNodePtr callee = std::move(ctor);
          while (Accept(".")) {
            auto m = Make(TKind::Member, line);
            m->A = std::move(callee);
            m->Text = ExpectName();
            callee = std::move(m);
          }
          n->A = std::move(callee);
          n->Kids = IsPunct("(") ? Arguments() : std::vector<TNodePtr>{};
          return n;
        }
        static const char* const kReserved[] = {"var", "if", "else", "while", "for", "return",
                                                "break", "typeof"};
        for (const char* r : kReserved)
          if (tok.Text == r) Fail(line, "unexpected '" + tok.Text + "'");
        auto n = Make(TKind::Name, line);
        n->Text = tok.Text;
        return n;
      }
      case TTok::Punct:
        if (tok.Text == "(") {
          TNodePtr e = Expression();
          Expect(")");
          return e;
        }
        if (tok.Text == "{") {
          auto n = Make(TKind::Object, line);
          if (!IsPunct("}")) {
            do {
              if (Peek().Kind == TTok::String) n->Names.push_back(Next().Text);
              else n->Names.push_back(ExpectName());
              Expect(":");
              n->Kids.push_back(Expression());
            } while (Accept(","));
          }
          Expect("}");
          return n;
        }
        if (tok.Text == "[") {
          auto n = Make(TKind::Array, line);
          if (!IsPunct("]")) {
            do n->Kids.push_back(Expression());
            while (Accept(","));
          }
          Expect("]");
          return n;
        }
        break;
      case TTok::End:
        Fail(line, "unexpected end of script");
    }
    Fail(line, "unexpected '" + tok.Text + "'");
  }

  std::vector<TToken> t_;
  size_t p_ = 0;
  int loops_ = 0;
  int functions_ = 0;
};

// ------------------------------------------------------------------ code

class TEmitter {
 public:
  explicit TEmitter(TFlashActionScript& as) : as_(as) {}

  void Statements(const std::vector<TNodePtr>& list) {
    for (const TNodePtr& s : list) Statement(*s);
  }

 private:
  void Op(uint8_t code) { as_.ActionList().Add(CreateActionObject(code)); }
  void PushString(const std::string& s) { as_.PushVariant(s); }

  void PushNumber(double v) {
    if (v == std::floor(v) && std::fabs(v) < 2147483647.0) as_.PushVariant(static_cast<int64_t>(v));
    else as_.PushVariant(v);
  }

  // A forward branch: the action's marker is placed by Land.
  TSWFActionJump* Forward(bool conditional) {
    return conditional ? static_cast<TSWFActionJump*>(as_.If()) : as_.Jump();
  }
  void Land(TSWFActionJump* branch) { as_.AddMarker(branch->GetMarker(), false); }
  // A backward branch target and a jump back to it.
  TSWFOffsetMarker* Here() { return as_.AddMarker(); }
  void JumpBack(TSWFOffsetMarker* target) { as_.Jump()->Marker.Set(target); }

  void Function(const std::string& name, const std::vector<std::string>& params, const TNode& body) {
    TSWFActionDefineFunction* f = as_.DefineFunction(name, params, nullptr);
    ++functionDepth_;
    std::vector<std::vector<TSWFActionJump*>> loops;
    std::swap(loops, breaks_);
    Statement(body);
    std::swap(loops, breaks_);
    --functionDepth_;
    as_.AddMarker(f->GetMarker(), false);
  }

  void Statement(const TNode& n) {
    switch (n.Kind) {
      case TKind::Block:
        Statements(n.Kids);
        return;
      case TKind::Var:
        PushString(n.Text);
        if (n.A) {
          Expression(*n.A);
          Op(functionDepth_ > 0 ? 0x3C : 0x1D);  // DefineLocal in functions, else SetVariable
        } else if (functionDepth_ > 0) {
          Op(0x41);  // DefineLocal2
        } else {
          as_.Pop();  // a bare "var x;" of a timeline declares nothing
        }
        return;
      case TKind::FunctionDecl:
        Function(n.Text, n.Names, *n.A);
        return;
      case TKind::Assign:
        Assign(n);
        return;
      case TKind::ExprStmt:
        Expression(*n.A);
        as_.Pop();
        return;
      case TKind::If: {
        Expression(*n.A);
        as_.Not();
        TSWFActionJump* toElse = Forward(true);
        Statement(*n.B);
        if (n.C) {
          TSWFActionJump* toEnd = Forward(false);
          Land(toElse);
          Statement(*n.C);
          Land(toEnd);
        } else {
          Land(toElse);
        }
        return;
      }
      case TKind::While:
      case TKind::For: {
        if (n.C) Statement(*n.C);
        TSWFOffsetMarker* top = Here();
        TSWFActionJump* exit = nullptr;
        if (n.A) {
          Expression(*n.A);
          as_.Not();
          exit = Forward(true);
        }
        breaks_.emplace_back();
        Statement(*n.B);
        if (n.D) Statement(*n.D);
        JumpBack(top);
        if (exit) Land(exit);
        for (TSWFActionJump* b : breaks_.back()) Land(b);
        breaks_.pop_back();
        return;
      }
      case TKind::Break:
        breaks_.back().push_back(Forward(false));
        return;
      case TKind::Return:
        if (n.A) Expression(*n.A);
        else as_.PushVariant(std::monostate{});
        Op(0x3E);
        return;
      default:
        Fail(n.Line, "not a statement");
    }
  }

  void Assign(const TNode& n) {
    const TNode& target = *n.A;
    auto value = [&] {
      if (n.Text != "=") {
        Expression(target);
        Expression(*n.B);
        Op(n.Text == "+=" ? 0x47 : 0x0B);  // Add2 or Subtract
      } else {
        Expression(*n.B);
      }
    };
    if (target.Kind == TKind::Name) {
      PushString(target.Text);
      value();
      as_.SetVariable();
    } else {
      Expression(*target.A);
      if (target.Kind == TKind::Member) PushString(target.Text);
      else Expression(*target.B);
      value();
      as_.SetMember();
    }
  }

  void Arguments(const std::vector<TNodePtr>& args) {
    for (auto it = args.rbegin(); it != args.rend(); ++it) Expression(**it);
    as_.PushVariant(static_cast<int64_t>(args.size()));
  }

  void Expression(const TNode& n) {
    switch (n.Kind) {
      case TKind::Number:
        PushNumber(n.Number);
        return;
      case TKind::String:
        PushString(n.Text);
        return;
      case TKind::Bool:
        as_.PushVariant(n.Flag);
        return;
      case TKind::Null:
        as_.PushVariant(TFlashNull{});
        return;
      case TKind::Undefined:
        as_.PushVariant(std::monostate{});
        return;
      case TKind::Name:
        PushString(n.Text);
        as_.GetVariable();
        return;
      case TKind::Member:
        Expression(*n.A);
        PushString(n.Text);
        as_.GetMember();
        return;
      case TKind::Index:
        Expression(*n.A);
        Expression(*n.B);
        as_.GetMember();
        return;
      case TKind::Call: {
        const TNode& callee = *n.A;
        Arguments(n.Kids);
        if (callee.Kind == TKind::Name) {
          PushString(callee.Text);
          as_.CallFunction();
        } else if (callee.Kind == TKind::Member || callee.Kind == TKind::Index) {
          Expression(*callee.A);
          if (callee.Kind == TKind::Member) PushString(callee.Text);
          else Expression(*callee.B);
          as_.CallMethod();
        } else {
          Expression(callee);
          as_.PushVariant(std::monostate{});
          as_.CallMethod();
        }
        return;
      }
      case TKind::New: {
        const TNode& ctor = *n.A;
        Arguments(n.Kids);
        if (ctor.Kind == TKind::Name) {
          PushString(ctor.Text);
          Op(0x40);  // NewObject
        } else {
          Expression(*ctor.A);
          PushString(ctor.Text);
          Op(0x53);  // NewMethod
        }
        return;
      }
      case TKind::Function:
        Function("", n.Names, *n.A);
        return;
      case TKind::Unary:
        if (n.Text == "!") {
          Expression(*n.A);
          as_.Not();
        } else if (n.Text == "-") {
          as_.PushVariant(int64_t{0});
          Expression(*n.A);
          Op(0x0B);
        } else {
          Expression(*n.A);
          Op(0x44);  // TypeOf
        }
        return;
      case TKind::Binary: {
        Expression(*n.A);
        Expression(*n.B);
        const std::string& op = n.Text;
        if (op == "+") Op(0x47);
        else if (op == "-") Op(0x0B);
        else if (op == "*") as_.Multiply();
        else if (op == "/") as_.Divide();
        else if (op == "%") Op(0x3F);
        else if (op == "<") Op(0x48);
        else if (op == ">") Op(0x67);
        else if (op == "<=") { Op(0x67); as_.Not(); }
        else if (op == ">=") { Op(0x48); as_.Not(); }
        else if (op == "==") as_.Equals2();
        else if (op == "!=") { as_.Equals2(); as_.Not(); }
        else if (op == "===") Op(0x66);
        else if (op == "!==") { Op(0x66); as_.Not(); }
        return;
      }
      case TKind::And:
      case TKind::Or: {
        // The left value stays when it decides the result.
        Expression(*n.A);
        Op(0x4C);  // PushDuplicate
        if (n.Kind == TKind::And) as_.Not();
        TSWFActionJump* done = Forward(true);
        as_.Pop();
        Expression(*n.B);
        Land(done);
        return;
      }
      case TKind::Conditional: {
        Expression(*n.A);
        TSWFActionJump* toThen = Forward(true);
        Expression(*n.C);
        TSWFActionJump* toEnd = Forward(false);
        Land(toThen);
        Expression(*n.B);
        Land(toEnd);
        return;
      }
      case TKind::Object:
        for (size_t i = 0; i < n.Kids.size(); ++i) {
          PushString(n.Names[i]);
          Expression(*n.Kids[i]);
        }
        as_.PushVariant(static_cast<int64_t>(n.Kids.size()));
        Op(0x43);  // InitObject
        return;
      case TKind::Array:
        for (auto it = n.Kids.rbegin(); it != n.Kids.rend(); ++it) Expression(**it);
        as_.PushVariant(static_cast<int64_t>(n.Kids.size()));
        Op(0x42);  // InitArray
        return;
      default:
        Fail(n.Line, "not an expression");
    }
  }

  TFlashActionScript& as_;
  int functionDepth_ = 0;
  std::vector<std::vector<TSWFActionJump*>> breaks_;
};

}  // namespace

void CompileScript(TFlashActionScript& as, std::string_view source) {
  TParser parser(Tokenize(source));
  std::vector<TNodePtr> program = parser.Program();
  TEmitter(as).Statements(program);
}

}  // namespace reelcast
