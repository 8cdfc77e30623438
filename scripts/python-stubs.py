"""Writes zel23/_zel23.pyi, the type stubs of zel23's compiled module, from
the module itself.

pybind11 heads each docstring with the function's signature, naming the
Python types of its arguments and result (an overloaded function lists one
per overload); a property is typed by its getter's signature, and what the
zel23 package adds to the compiled classes in Python by its annotations.
Whatever cannot be typed that way stops the generator: the stubs never fall
back to Any.

    python3 python-stubs.py OUTPUT_DIR      (with zel23 importable)
"""

import ast
import inspect
import os
import re
import sys
import typing

import zel23  # noqa: F401  (first: the package adds properties to compiled classes)
from zel23 import _zel23 as module

OWN = module.__name__ + "."
TYPING = ("Any", "ClassVar", "Dict", "Iterable", "List", "Optional", "Tuple", "Union",
          "overload")


def fail(message):
    sys.exit(f"python-stubs: {message}")


def docstring(text):
    """A docstring's lines, for a stub: editors show a compiled module's
    documentation from its stubs."""
    text = (text or "").strip().replace("\\", "\\\\").replace('"""', '\\"""')
    if text.endswith('"'):
        text = text[:-1] + '\\"'
    return ('"""' + text + '"""').splitlines() if text else []


def defined(head, doc):
    """A def line with its docstring as the body, or "..." without one."""
    return [head] + ["    " + line for line in doc] if doc else [head + " ..."]


def signatures(doc, name):
    """The FunctionDefs of the signatures heading a pybind11 docstring."""
    lines = (doc or "").splitlines()
    if lines[1:2] == ["Overloaded function."]:
        heads = [line.split(". ", 1)[1] for line in lines
                 if re.match(r"\d+\. " + re.escape(name) + r"\(", line)]
    elif lines and re.match(re.escape(name) + r"\(", lines[0]):
        heads = lines[:1]
    else:
        fail(f"{name} has no signature in its docstring")
    try:
        return [ast.parse(f"def {head}: ...").body[0] for head in heads]
    except SyntaxError as e:
        fail(f"{name}: signature {e.text!r} does not parse")


def type_text(node):
    """An annotation as the stub writes it: the module's own types by name."""
    text = ast.unparse(node).replace(OWN, "")
    for dotted in re.findall(r"\b[A-Za-z_][\w.]*\.\w+", text):
        fail(f"unknown type {dotted} in {text}")
    return text


def param(name, arg, default):
    """One typed parameter, its default (if any) left to the runtime."""
    if arg.annotation is None:
        fail(f"{name}: argument {arg.arg} has no type")
    return f"{arg.arg}: {type_text(arg.annotation)}" + (" = ..." if default else "")


def accessor(method, name):
    """The signature of a property's getter or setter, which pybind11 writes
    without a name."""
    (node,) = signatures(method.__doc__ and name + method.__doc__, name)
    return node


def function(name, value, self):
    """The stub lines of a compiled function or method."""
    defs = signatures(value.__doc__, name)
    out = []
    for node in defs:
        a = node.args
        params = []
        positional = a.posonlyargs + a.args
        defaults = [None] * (len(positional) - len(a.defaults)) + list(a.defaults)
        for k, (arg, default) in enumerate(zip(positional, defaults)):
            if k == 0 and self:
                params.append("self")  # pybind11 names the class; the stub need not
                continue
            params.append(param(name, arg, default))
        if a.vararg or a.kwarg:
            fail(f"{name}: *args or **kwargs in {ast.unparse(node.args)}")
        if a.kwonlyargs:
            params.append("*")
            params += [param(name, arg, default)
                       for arg, default in zip(a.kwonlyargs, a.kw_defaults)]
        if node.returns is None:
            fail(f"{name}: no result type")
        head = f"def {name}({', '.join(params)}) -> {type_text(node.returns)}:"
        if len(defs) > 1:
            out += ["@overload", head + " ..."]
            continue
        # The documentation follows the signature line.
        out += defined(head, docstring("\n".join(value.__doc__.splitlines()[1:])))
    return out


def hint_text(hint, imports):
    """A Python annotation (an evaluated type) as stub text."""
    if hint is type(None):
        return "None"
    origin, args = typing.get_origin(hint), typing.get_args(hint)
    if origin is not None:
        name = getattr(hint, "_name", None)  # typing's aliases: "Iterable", ...
        head = name if isinstance(name, str) else hint_text(origin, imports)
        return f"{head}[{', '.join(hint_text(a, imports) for a in args)}]"
    if not isinstance(hint, type):
        fail(f"cannot write the annotation {hint!r}")
    if hint.__module__ == "builtins":
        return hint.__qualname__
    imports.add(hint.__module__)
    return f"{hint.__module__}.{hint.__qualname__}"


def python_property(name, value, imports):
    """A property the package defined in Python, typed by its annotations."""
    get = typing.get_type_hints(value.fget).get("return")
    if get is None:
        fail(f"property {name}'s getter has no return annotation")
    out = ["@property"] + defined(f"def {name}(self) -> {hint_text(get, imports)}:",
                                  docstring(value.__doc__))
    if value.fset is not None:
        hints = typing.get_type_hints(value.fset)
        params = list(inspect.signature(value.fset).parameters)
        if len(params) != 2 or params[1] not in hints:
            fail(f"property {name}'s setter has no annotated value argument")
        out += [f"@{name}.setter",
                f"def {name}(self, {params[1]}: {hint_text(hints[params[1]], imports)}) "
                "-> None: ..."]
    return out


def value_type(value):
    if isinstance(value, tuple) and all(isinstance(v, str) for v in value):
        return "Tuple[str, ...]"
    if isinstance(value, (str, int, float, bool)):
        return type(value).__name__
    fail(f"cannot type the value {value!r}")


def class_stub(cls, imports):
    body = []
    for name, value in vars(cls).items():
        if name in ("__module__", "__doc__") or type(value).__name__ == "wrapper_descriptor":
            continue  # a class without a constructor has object's, which refuses to run
        if value is None and name == "__hash__":
            # Unhashable, as records with value equality are: what mypy calls
            # an incompatible override of object.__hash__.
            body.append("__hash__: ClassVar[None]  # type: ignore[assignment]")
        elif isinstance(value, staticmethod):
            body += ["@staticmethod"] + function(name, value.__func__, self=False)
        elif isinstance(value, property):
            if not inspect.isbuiltin(value.fget):
                body += python_property(name, value, imports)
                continue
            kind = type_text(accessor(value.fget, name).returns)
            doc = docstring(value.__doc__)
            if value.fset is None:
                body += ["@property"] + defined(f"def {name}(self) -> {kind}:", doc)
                continue
            taken = type_text(accessor(value.fset, name).args.args[1].annotation)
            if taken == kind:
                body += [f"{name}: {kind}"] + doc
            else:  # takes more than it gives: a section takes any iterable of records
                body += ["@property"] + defined(f"def {name}(self) -> {kind}:", doc)
                body += [f"@{name}.setter", f"def {name}(self, value: {taken}) -> None: ..."]
        elif callable(value):
            body += function(name, value, self=True)
        else:
            body.append(f"{name}: ClassVar[{value_type(value)}]")
    body = docstring(cls.__doc__) + body
    return [f"class {cls.__name__}:"] + ["    " + line for line in body] + [""]


def module_stub():
    imports = set()  # modules the stubs name types of
    body = []
    for name, value in vars(module).items():
        if name.startswith("__") and name != "__version__":
            continue
        if isinstance(value, type):
            body += class_stub(value, imports)
        elif inspect.isbuiltin(value):
            body += function(name, value, self=False) + [""]
        else:
            body += [f"{name}: {value_type(value)}", ""]
    text = "\n".join(body)
    used = [t for t in TYPING if re.search(rf"\b{t}\b", text)]
    head = [f"# The type stubs of {module.__name__}, generated from the module by "
            "scripts/python-stubs.py.", ""]
    head += [f"import {name}" for name in sorted(imports)]
    if used:
        head.append(f"from typing import {', '.join(used)}")
    return "\n".join(line.rstrip() for line in head + [""] + body).rstrip() + "\n"


if __name__ == "__main__":
    if len(sys.argv) != 2:
        fail("usage: python-stubs.py OUTPUT_DIR")
    path = os.path.join(sys.argv[1], "zel23", "_zel23.pyi")
    with open(path + ".new", "w") as out:
        out.write(module_stub())
    os.replace(path + ".new", path)
