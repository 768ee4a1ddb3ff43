// Reads the option text of a storefront widget (its data-widget-config
// attribute): a JavaScript object literal as decorators write it, usually
// with single quotes. The text comes from pasted code, so it is parsed,
// never evaluated: nothing in it can run.
//
// Accepted: single- or double-quoted strings with the usual escapes, keys
// bare or quoted, decimal and hexadecimal numbers with a sign, true, false,
// null, undefined, nested objects and arrays, trailing commas, comments.
// Empty text means "no options". Anything else (a call, a variable, a
// missing brace) is an error with the character position where reading
// stopped.
//
// Publishes `ravikWidgetConfig.parse(text)` in the editor's script world:
// { value: object } or { error: text, position: number }.
(function () {
    'use strict';
    if (window.ravikWidgetConfig)
        return;

    // Deeper nesting than any real option set; it keeps a hostile text from
    // exhausting the stack.
    var MAX_DEPTH = 32;
    // Reading goes by character codes and allocates nothing until it has
    // a value: hundreds of widgets start with the page. Names are almost
    // always ASCII; the Unicode name patterns take milliseconds to build,
    // so they are built only when a name goes beyond ASCII.
    var NUMBER = /([-+]?)(?:0[xX]([0-9a-fA-F]+)|((?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][-+]?[0-9]+)?))/y;
    var unicodeIdentifier = null;
    var unicodeIdentPart = null;

    function isSpace(c) {
        return c === 32 || (c >= 9 && c <= 13) || c === 0xa0 || c === 0x1680 || (c >= 0x2000 && c <= 0x200a) ||
               c === 0x2028 || c === 0x2029 || c === 0x202f || c === 0x205f || c === 0x3000 || c === 0xfeff;
    }
    function isAsciiNameStart(c) {
        return (c >= 97 && c <= 122) || (c >= 65 && c <= 90) || c === 36 || c === 95;
    }
    function isAsciiNamePart(c) {
        return isAsciiNameStart(c) || (c >= 48 && c <= 57);
    }
    var SIMPLE_ESCAPES = { n: '\n', t: '\t', r: '\r', b: '\b', f: '\f', v: '\v', 0: '\0' };
    var WORDS = { 'true': true, 'false': false, 'null': null, 'undefined': undefined };

    function ParseError(message, position) {
        this.message = message;
        this.position = position;
    }

    function Reader(text) {
        this.text = text;
        this.pos = 0;
    }

    Reader.prototype.fail = function (message) {
        throw new ParseError(message, this.pos);
    };

    Reader.prototype.unexpected = function () {
        if (this.pos >= this.text.length)
            this.fail('文字意外结束');
        this.fail('意外的字符 "' + this.text[this.pos] + '"');
    };

    // Skips white space and comments.
    Reader.prototype.skipSpace = function () {
        var t = this.text;
        for (;;) {
            var c = t.charCodeAt(this.pos);
            if (isSpace(c)) {
                ++this.pos;
            } else if (c === 47 && t.charCodeAt(this.pos + 1) === 47) {   // line comment
                while (this.pos < t.length && t[this.pos] !== '\n' && t[this.pos] !== '\r')
                    ++this.pos;
            } else if (c === 47 && t.charCodeAt(this.pos + 1) === 42) {   // block comment
                var end = t.indexOf('*/', this.pos + 2);
                if (end < 0)
                    this.fail('注释没有结束');
                this.pos = end + 2;
            } else {
                return;
            }
        }
    };

    Reader.prototype.value = function (depth) {
        if (depth > MAX_DEPTH)
            this.fail('嵌套太深');
        this.skipSpace();
        var c = this.text[this.pos];
        if (c === '{')
            return this.object(depth + 1);
        if (c === '[')
            return this.array(depth + 1);
        if (c === '\'' || c === '"')
            return this.string();
        if (c !== undefined && /[-+.0-9]/.test(c))
            return this.number();
        var start = this.pos;
        var word = this.identifier();
        if (word !== null && Object.prototype.hasOwnProperty.call(WORDS, word))
            return WORDS[word];
        this.pos = start;
        this.unexpected();
    };

    // A name as a bare key may spell it, or null when none starts here.
    Reader.prototype.identifier = function () {
        var t = this.text;
        var end = this.pos;
        if (isAsciiNameStart(t.charCodeAt(end))) {
            while (isAsciiNamePart(t.charCodeAt(end)))
                ++end;
        }
        if (t.charCodeAt(end) > 127) {
            unicodeIdentifier = unicodeIdentifier ||
                /[\p{L}\p{Nl}$_][\p{L}\p{Nl}\p{Mn}\p{Mc}\p{Nd}\p{Pc}$_\u200c\u200d]*/uy;
            unicodeIdentifier.lastIndex = this.pos;
            var m = unicodeIdentifier.exec(t);
            end = m ? this.pos + m[0].length : this.pos;
        }
        if (end === this.pos)
            return null;
        var word = t.slice(this.pos, end);
        this.pos = end;
        return word;
    };

    // Whether the character at `pos` may continue a name.
    Reader.prototype.namePartAt = function (pos) {
        var c = this.text.charCodeAt(pos);
        if (c <= 127)
            return isAsciiNamePart(c);
        unicodeIdentPart = unicodeIdentPart || /[\p{L}\p{Nl}\p{Mn}\p{Mc}\p{Nd}\p{Pc}$_\u200c\u200d]/u;
        return unicodeIdentPart.test(this.text.charAt(pos));
    };

    Reader.prototype.string = function () {
        var t = this.text;
        var quote = t[this.pos++];
        var out = '';
        for (;;) {
            if (this.pos >= t.length)
                this.fail('字符串没有结束');
            var end = this.pos;
            for (var c0 = t.charCodeAt(end); end < t.length && c0 !== 39 && c0 !== 34 && c0 !== 92 && c0 !== 10 &&
                 c0 !== 13; c0 = t.charCodeAt(++end)) {}
            if (end > this.pos) {   // a run without quotes, escapes or line ends
                out += t.slice(this.pos, end);
                this.pos = end;
                continue;
            }
            var c = t[this.pos++];
            if (c === quote)
                return out;
            if (c === '\n' || c === '\r') {
                --this.pos;
                this.fail('字符串没有结束');
            }
            if (c !== '\\') {
                out += c;
                continue;
            }
            if (this.pos >= t.length)
                this.fail('字符串没有结束');
            var e = t[this.pos++];
            if (Object.prototype.hasOwnProperty.call(SIMPLE_ESCAPES, e) && !(e === '0' && /[0-9]/.test(t[this.pos] || ''))) {
                out += SIMPLE_ESCAPES[e];
            } else if (e === 'x') {
                out += this.hexChar(2);
            } else if (e === 'u' && t[this.pos] === '{') {
                var close = t.indexOf('}', this.pos);
                var code = close > this.pos + 1 && close <= this.pos + 7 ? parseInt(t.slice(this.pos + 1, close), 16) : NaN;
                if (!/^[0-9a-fA-F]+$/.test(t.slice(this.pos + 1, close)) || !(code <= 0x10ffff))
                    this.fail('无效的转义');
                out += String.fromCodePoint(code);
                this.pos = close + 1;
            } else if (e === 'u') {
                out += this.hexChar(4);
            } else if (e === '\r') {
                if (t[this.pos] === '\n')
                    ++this.pos;   // a line continuation adds nothing
            } else if (e !== '\n' && e !== '\u2028' && e !== '\u2029') {
                out += e;       // any other escaped character stands for itself
            }
        }
    };

    Reader.prototype.hexChar = function (digits) {
        var hex = this.text.slice(this.pos, this.pos + digits);
        if (hex.length !== digits || !/^[0-9a-fA-F]+$/.test(hex))
            this.fail('无效的转义');
        this.pos += digits;
        return String.fromCharCode(parseInt(hex, 16));
    };

    Reader.prototype.number = function () {
        NUMBER.lastIndex = this.pos;
        var m = NUMBER.exec(this.text);
        if (!m)
            this.unexpected();
        this.pos += m[0].length;
        if (this.pos < this.text.length && this.namePartAt(this.pos))
            this.unexpected();
        var n = m[2] !== undefined ? parseInt(m[2], 16) : parseFloat(m[3]);
        return m[1] === '-' ? -n : n;
    };

    Reader.prototype.object = function (depth) {
        ++this.pos;   // {
        // No prototype: a key such as "__proto__" is an ordinary option and
        // can change nothing else.
        var result = Object.create(null);
        for (;;) {
            this.skipSpace();
            var c = this.text[this.pos];
            if (c === '}') {
                ++this.pos;
                return result;
            }
            var key;
            if (c === '\'' || c === '"')
                key = this.string();
            else if (c !== undefined && /[0-9]/.test(c))
                key = String(this.number());
            else if ((key = this.identifier()) === null)
                this.unexpected();
            this.skipSpace();
            if (this.text[this.pos] !== ':')
                this.unexpected();
            ++this.pos;
            result[key] = this.value(depth);
            this.skipSpace();
            c = this.text[this.pos];
            if (c === ',')
                ++this.pos;
            else if (c !== '}')
                this.unexpected();
        }
    };

    Reader.prototype.array = function (depth) {
        ++this.pos;   // [
        var result = [];
        for (;;) {
            this.skipSpace();
            if (this.text[this.pos] === ']') {
                ++this.pos;
                return result;
            }
            result.push(this.value(depth));
            this.skipSpace();
            var c = this.text[this.pos];
            if (c === ',')
                ++this.pos;
            else if (c !== ']')
                this.unexpected();
        }
    };

    function parse(text) {
        var reader = new Reader(String(text === null || text === undefined ? '' : text));
        try {
            reader.skipSpace();
            if (reader.pos >= reader.text.length)
                return { value: Object.create(null) };
            if (reader.text[reader.pos] !== '{')
                reader.fail('配置应当是一个对象 {…}');
            var value = reader.value(0);
            reader.skipSpace();
            if (reader.pos < reader.text.length)
                reader.unexpected();
            return { value: value };
        } catch (e) {
            if (e instanceof ParseError)
                return { error: e.message, position: e.position };
            throw e;
        }
    }

    window.ravikWidgetConfig = Object.freeze({ parse: parse });
})();
