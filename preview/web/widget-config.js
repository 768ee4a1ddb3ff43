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
// { value: object } or { error: text, position: number }. The publish check
// runs this same file in its own JavaScript engine (Qt's), where the global
// object is no window and neither globalThis nor \p{...} in a regular
// expression is known: the file keeps to what both engines run alike.
(function (global) {
    'use strict';
    if (global.ravikWidgetConfig)
        return;

    // Deeper nesting than any real option set; it keeps a hostile text from
    // exhausting the stack.
    var MAX_DEPTH = 32;
    // Reading goes by character codes and allocates nothing until it has
    // a value: hundreds of widgets start with the page. No regular
    // expression literal on the way of every value either: in Qt's engine
    // they make reading a config twice as slow.
    var NUMBER = /([-+]?)(?:0[xX]([0-9a-fA-F]+)|((?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][-+]?[0-9]+)?))/y;

    // Names are almost always ASCII. Beyond it, a name starts with a letter
    // or letter number and goes on with those, marks, digits, connectors
    // and the two joiners. Regular expressions cannot ask for these classes
    // in every engine (in Qt's, /\p{L}/u matches nothing), so they come as
    // tables of code point ranges, unpacked at the first such name.
    // Unicode 14.0.0, by scripts/unicode-name-ranges.py.
    var NAME_START =
        '16,0,a,0,4,0,5,m,1,u,1,cp,4,b,e,4,7,0,1,0,3l,4,1,1,2,3,1,0,6,0,1,2,1,0,1,j,1,2a,1,3u,8,4l,1,11,2,0,6,14,' +
        '1z,q,4,3,19,16,z,1,1,2q,1,0,f,1,7,1,a,2,2,0,g,0,1,t,t,2g,b,0,o,w,9,1,4,0,5,l,4,0,9,0,3,0,n,o,7,a,5,n,1,' +
        '5,h,15,1m,1h,3,0,i,0,7,9,f,f,4,7,2,1,2,l,1,6,1,0,3,3,3,0,g,0,d,1,1,2,e,1,a,0,8,5,4,1,2,l,1,6,1,1,1,1,1,' +
        '1,v,3,1,0,j,2,g,8,1,2,1,l,1,6,1,1,1,4,3,0,i,0,f,1,n,0,b,7,2,1,2,l,1,6,1,1,1,4,3,0,u,1,1,2,f,0,h,0,1,5,3,' +
        '2,1,3,3,1,1,0,1,1,3,1,3,2,3,b,m,0,1g,7,1,2,1,m,1,f,3,0,q,2,2,0,2,1,u,0,4,7,1,2,1,m,1,9,1,4,3,0,v,1,1,1,' +
        'f,1,h,8,1,2,1,14,2,0,g,0,5,2,8,2,o,5,5,h,3,n,1,8,1,0,2,6,1m,1b,1,1,c,6,1m,1,1,0,1,4,1,n,1,0,1,9,1,1,9,0,' +
        '2,4,1,0,l,3,w,0,1r,7,1,z,r,4,37,16,k,0,g,5,4,3,3,0,3,1,7,2,4,c,c,0,h,11,1,0,5,0,2,16,1,98,1,3,2,6,1,0,1,' +
        '3,2,14,1,3,2,w,1,3,2,6,1,0,1,3,2,e,1,1k,1,3,2,1u,11,f,g,2d,2,5,3,h7,2,g,1,p,5,22,3,a,7,h,d,i,e,h,e,c,1,' +
        '2,f,1f,z,0,4,0,1v,2g,7,4,2,x,1,0,5,1x,a,u,1d,t,2,4,b,17,4,p,1i,m,9,1g,2a,0,2l,1a,h,7,1i,t,d,1,a,17,q,z,' +
        '15,2,a,z,2,8,7,16,2,2,15,3,1,5,1,1,3,0,5,5b,1s,7p,2,5,2,11,2,5,2,7,1,0,1,0,1,0,1,u,2,1g,1,6,1,0,3,2,1,6,' +
        '3,3,2,5,4,c,5,2,1,6,38,0,d,0,g,c,2t,0,4,0,2,9,1,0,3,4,6,0,1,0,1,0,1,3,1,a,2,3,5,4,4,0,h,14,22f,6c,6,3,3,' +
        '1,c,11,1,0,5,0,2,1j,7,0,g,m,9,6,1,6,1,6,1,6,1,6,1,6,1,6,1,6,28,0,d1,2,p,8,7,4,2,4,4,2d,6,2,1,2h,1,3,5,' +
        '16,1,2l,h,v,1c,f,e8,533,1s,h3g,1v,19,2,7g,3,f,a,1,k,1a,g,u,2,27,13,8,2,2u,2,1r,5,1,1,0,1,4,o,f,1,2,1,3,' +
        '1,m,t,1f,e,1d,1q,5,3,0,1,1,b,r,a,m,p,s,7,1a,s,0,g,4,1,9,a,4,1,14,n,2,1,7,k,m,3,0,3,1d,1,0,3,1,2,4,2,0,1,' +
        '0,o,2,2,a,7,2,c,5,2,5,2,5,9,6,1,6,1,16,1,d,6,36,t,8mb,c,m,4,1c,6is,a5,2,2x,12,6,c,4,5,0,1,9,1,c,1,4,1,0,' +
        '1,1,1,1,1,2z,x,a2,i,1r,2,1h,14,b,38,4,1,3q,10,p,6,p,b,2g,3,5,2,5,2,5,2,2,z,b,1,p,1,i,1,1,1,e,2,d,y,3e,' +
        '1x,1g,7f,s,3,1c,1b,v,d,t,5,11,a,t,2,z,4,7,1,4,16,4d,i,z,4,z,4,13,8,1f,c,a,1,e,1,6,1,1,1,a,1,e,1,6,1,1,' +
        '1v,8m,9,l,a,7,o,5,1,15,1,8,1x,5,2,0,1,17,1,1,3,0,2,m,a,m,9,u,1t,i,1,1,a,l,a,p,1y,1j,6,1,1s,0,f,3,1,2,1,' +
        's,16,s,3,s,z,7,1,r,r,1h,a,l,a,i,d,h,32,20,1j,1e,d,1e,d,z,9o,15,6,1,26,s,a,0,8,l,16,h,1a,k,r,m,c,1g,1l,1,' +
        '2,0,d,18,w,o,q,z,t,0,2,0,8,y,3,0,c,1b,e,3,l,0,1,0,z,h,1,o,2c,6,1,0,1,3,1,e,1,9,7,1a,12,7,2,1,2,l,1,6,1,' +
        '1,1,4,3,0,i,0,c,4,4e,1g,i,3,k,2,u,1b,k,1,1,0,54,1a,15,3,10,1b,k,0,1n,16,d,0,1z,q,11,6,55,17,38,1r,v,7,2,' +
        '0,2,7,1,1,1,n,f,0,1,0,2m,7,2,12,g,0,1,0,s,0,a,13,7,0,l,0,b,19,j,0,i,20,7b,8,1,10,h,0,1d,t,34,6,1,1,1,11,' +
        'l,0,p,5,1,1,1,v,e,0,93,i,59,0,27,pl,2u,32,h,5f,218,2o,f,tq,34h,g6,6nt,fs,7,u,h,26,h,t,i,1b,g,3,v,k,5,i,' +
        'j4,1r,3k,22,5,0,1u,c,1s,1,1,0,s,4qf,8,yd,16,8,6w7,3,1,6,1,1,1,82,19,2,h,3,8,az,1s4,2y,5,c,3,8,7,9,4me,' +
        '2c,1,1y,1,1,2,0,2,1,2,3,1,b,1,0,1,6,1,1s,1,3,2,7,1,6,1,r,1,3,1,4,1,0,3,6,1,9f,2,o,1,o,1,u,1,o,1,u,1,o,1,' +
        'u,1,o,1,u,1,o,1,7,1f8,u,dd,18,a,6,g,0,8x,t,i,17,z8,6,1,3,1,1,1,e,1,5g,1n,1v,7,0,xg,3,1,q,1,1,1,0,2,0,1,' +
        '9,1,3,1,0,1,0,6,0,4,0,1,0,1,0,1,2,1,1,1,0,2,0,1,0,1,0,1,0,1,0,1,1,1,0,2,3,1,6,1,3,1,3,1,0,1,9,1,g,5,2,1,' +
        '4,1,g,3es,wyn,w,37c,7,65,2,4g1,e,5rk,2e7,f1,15u,3t6';
    var NAME_PART =
        'hs,33,7n,4,7d,18,1,0,1,1,1,1,1,0,20,a,1c,u,6,0,2t,6,2,5,2,1,1,3,2,9,n,0,u,q,2j,a,f,9,x,8,9,0,o,3,1,8,1,' +
        '2,1,4,17,2,1o,7,16,n,1,w,1i,2,1,h,1,6,a,1,2,9,h,2,1k,0,1,6,2,1,2,2,9,0,a,1,2,9,e,0,2,2,1k,0,1,4,4,1,2,2,' +
        '3,0,k,b,3,0,b,2,1k,0,1,7,1,2,1,2,k,1,2,9,a,5,1,2,1k,0,1,6,2,1,2,2,7,2,a,1,2,9,i,0,1n,4,3,2,1,3,9,0,e,9,' +
        'g,4,1j,0,1,6,1,2,1,3,7,1,b,1,2,9,h,2,1k,0,1,6,1,2,1,3,7,1,b,1,2,9,g,3,1j,1,1,6,1,2,1,3,9,0,a,1,2,9,h,2,' +
        '1y,0,4,5,1,0,1,7,6,9,2,1,1p,0,2,6,c,7,1,9,2f,0,2,8,b,5,2,9,1q,1,6,9,b,0,1,0,1,0,4,1,1d,j,1,1,5,a,1,z,9,' +
        '0,2s,j,1,9,c,3,4,2,1,2,2,6,3,3,d,b,1,e,jj,2,qa,3,s,2,t,1,u,1,1s,v,9,0,2,9,x,2,1,a,2z,1,y,0,3a,b,4,b,a,9,' +
        '3k,9,1p,4,1l,9,1,s,2,a,6,9,m,d,1,f,1d,4,1b,g,b,9,h,8,c,2,u,c,2,9,18,d,1c,j,8,9,6,9,3a,2,1,k,4,0,6,0,2,2,' +
        '5i,1r,ek,1,1d,1,j,0,3f,c,4,0,3,b,2da,2,3x,0,2o,v,fe,5,2x,1,n7p,9,1x,0,4,9,w,1,28,1,7k,0,3,0,4,0,n,4,4,0,' +
        '2b,1,1e,h,a,9,6,h,d,a,s,7,p,c,18,3,1b,d,f,9,b,0,a,9,1b,d,c,0,8,1,2,9,x,2,1e,0,1,2,2,1,5,1,1,0,15,4,5,1,' +
        '6k,7,1,1,2,9,fms,0,kh,f,g,f,3,1,o,2,5c,9,11,0,jh,0,6a,0,45,4,85,9,11z,2,1,1,5,3,14,2,4,0,4l,1,fx,3,8,9,' +
        'a9,1,49,a,1d,3,3e,2,1h,e,v,a,2,1,a,3,19,a,7,0,19,9,6,2,10,d,1,9,5,1,18,0,c,2,1c,d,8,3,1,b,2a,b,6,0,4g,b,' +
        '5,9,6,3,1j,1,1,6,2,1,2,2,9,0,a,1,2,6,3,4,5c,h,9,9,4,0,29,j,c,9,5x,6,2,8,r,1,2a,g,f,9,29,c,8,9,2b,e,4,9,' +
        '6q,e,4l,9,1y,5,1,1,2,3,1,0,1,1,c,9,3b,6,2,6,3,0,s,9,14,6,1,3,8,0,9,a,1a,f,b9,7,1,7,g,9,1k,l,1,d,3e,5,3,' +
        '0,1,1,1,6,1,0,8,9,1c,4,1,1,1,4,8,9,95,3,ew9,9,2e,9,12,4,1n,6,p,9,s5,0,1,1i,7,3,29,0,b,1,f57,1,3mp,19,2,' +
        'm,f2,4,3,5,8,7,2,6,u,3,44,2,13d,1d,e8,1i,4,1d,8,0,e,0,m,4,1,e,11s,6,1,g,2,6,1,1,1,4,79,6,9,9,9w,0,1p,d,' +
        '15i,6,31,6,5,9,3o6,9,gvt2,6n';
    var nameStart = null;
    var namePart = null;

    // [first, last, first, last, ...] from gaps and lengths in base 36.
    function unpack(table) {
        var out = [];
        var end = 127;
        var numbers = table.split(',');
        for (var i = 0; i + 1 < numbers.length; i += 2) {
            var first = end + 1 + parseInt(numbers[i], 36);
            end = first + parseInt(numbers[i + 1], 36);
            out.push(first, end);
        }
        return out;
    }
    function within(ranges, c) {
        var low = 0;
        var high = ranges.length / 2 - 1;
        while (low <= high) {
            var middle = (low + high) >> 1;
            if (c < ranges[2 * middle])
                high = middle - 1;
            else if (c > ranges[2 * middle + 1])
                low = middle + 1;
            else
                return true;
        }
        return false;
    }
    // Whether the code point `c` may start a name (`first`) or go on with one.
    function isNameChar(c, first) {
        if (c <= 127)
            return first ? isAsciiNameStart(c) : isAsciiNamePart(c);
        nameStart = nameStart || unpack(NAME_START);
        if (within(nameStart, c))
            return true;
        namePart = namePart || unpack(NAME_PART);
        return !first && within(namePart, c);
    }

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
        if (c !== undefined && (c === '-' || c === '+' || c === '.' || (c >= '0' && c <= '9')))
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
        for (;;) {
            var c = t.codePointAt(end);
            if (c === undefined || !isNameChar(c, end === this.pos))
                break;
            end += c > 0xffff ? 2 : 1;
        }
        if (end === this.pos)
            return null;
        var word = t.slice(this.pos, end);
        this.pos = end;
        return word;
    };

    // Whether the character at `pos` may continue a name.
    Reader.prototype.namePartAt = function (pos) {
        return isNameChar(this.text.codePointAt(pos), false);
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
            else if (c !== undefined && c >= '0' && c <= '9')
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

    global.ravikWidgetConfig = Object.freeze({ parse: parse });
})(this);
